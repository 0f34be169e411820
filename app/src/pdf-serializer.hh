// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Saving a part view as a complete PDF file: the source's header version,
// the kept objects under their source numbers in ascending order, and a
// cross-reference section of the source's kind.
#pragma once

#include "part-view.hh"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vellix {

// Where the file goes. write() may fail silently; the caller checks after
// the save. offset() counts every byte handed to write().
class OutputSink {
  public:
    virtual ~OutputSink() = default;
    void write(std::string_view bytes) {
        written_ += bytes.size();
        put(bytes.data(), bytes.size());
    }
    uint64_t offset() const { return written_; }

  protected:
    virtual void put(const char* data, size_t size) = 0;

  private:
    uint64_t written_ = 0;
};

class StringSink : public OutputSink {
  public:
    std::string bytes;

  protected:
    void put(const char* data, size_t size) override { bytes.append(data, size); }
};

// Writes the part and returns the number of objects written. Throws
// std::runtime_error when a stream of the source cannot be read; the sink
// then holds an incomplete file.
size_t save_part(PartView& view, OutputSink& sink);

} // namespace vellix
