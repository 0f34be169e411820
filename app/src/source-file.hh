// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// The bytes of a source file as qpdf reads them: through a descriptor that
// is attached for the duration of one call and closed after it, so that a
// parse can outlive the call without the file staying open or being held in
// memory whole.
#pragma once

#include <qpdf/InputSource.hh>

#include <string>
#include <vector>

namespace vellix {

class SourceFile : public InputSource {
  public:
    // size: the file's length when it was parsed; reads stop there.
    SourceFile(std::string name, qpdf_offset_t size);
    ~SourceFile() override;

    // Takes ownership of fd, an open descriptor of the same file.
    void attach(int fd);
    // Closes the descriptor; reads until the next attach throw.
    void detach();
    int descriptor() const { return fd_; }

    qpdf_offset_t findAndSkipNextEOL() override;
    std::string const& getName() const override { return name_; }
    qpdf_offset_t tell() override { return position_; }
    void seek(qpdf_offset_t offset, int whence) override;
    void rewind() override { position_ = 0; }
    size_t read(char* buffer, size_t length) override;
    void unreadCh(char) override;

  private:
    // Makes the block around offset current; false at the end of the file.
    bool load_block(qpdf_offset_t offset);
    size_t read_at(qpdf_offset_t offset, char* buffer, size_t length);

    std::string name_;
    qpdf_offset_t size_;
    qpdf_offset_t position_ = 0;
    int fd_ = -1;
    std::vector<char> block_;
    qpdf_offset_t block_start_ = 0;
    size_t block_length_ = 0;
};

} // namespace vellix
