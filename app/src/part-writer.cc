// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "part-writer.hh"

#include "logger.hh"
#include "part-view.hh"
#include "pdf-serializer.hh"
#include "source-loader.hh"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace vellix {

namespace {

constexpr size_t write_buffer_size = 8192;

PartError system_error(PartErrorKind kind, const std::string& what) {
    return PartError{kind, what + ": " + std::strerror(errno)};
}

// An output file written through a fixed buffer. Errors are remembered and
// reported by finish(); writes after an error are dropped.
class FileSink : public OutputSink {
  public:
    explicit FileSink(int fd) : fd_(fd) {}

    // Flushes and closes; false with errno set when anything failed.
    bool finish() {
        flush();
        if (::close(fd_) != 0 && !error_)
            error_ = errno;
        fd_ = -1;
        errno = error_;
        return error_ == 0;
    }

    ~FileSink() override {
        if (fd_ >= 0)
            ::close(fd_);
    }

  protected:
    void put(const char* data, size_t size) override {
        while (size > 0 && !error_) {
            if (used_ == 0 && size >= write_buffer_size) {
                write_all(data, size);
                return;
            }
            size_t take = std::min(size, write_buffer_size - used_);
            std::memcpy(buffer_ + used_, data, take);
            used_ += take;
            data += take;
            size -= take;
            if (used_ == write_buffer_size)
                flush();
        }
    }

  private:
    void flush() {
        if (used_ > 0 && !error_)
            write_all(buffer_, used_);
        used_ = 0;
    }

    void write_all(const char* data, size_t size) {
        while (size > 0) {
            ssize_t done = ::write(fd_, data, size);
            if (done < 0 && errno == EINTR)
                continue;
            if (done <= 0) {
                error_ = done < 0 ? errno : EIO;
                return;
            }
            data += done;
            size -= static_cast<size_t>(done);
        }
    }

    int fd_;
    int error_ = 0;
    size_t used_ = 0;
    char buffer_[write_buffer_size];
};

std::string join_path(const std::string& dir, const std::string& name) {
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

// Fails when the folder is missing, or when a file of the target name
// exists that must not be replaced. Root passes every permission check, so a
// file without any write bit counts as read-only for everybody.
std::optional<PartError> check_target(const std::string& dir, const std::string& path) {
    struct stat st {};
    if (dir.empty() || ::stat(dir.c_str(), &st) != 0)
        return system_error(PartErrorKind::TargetUnwritable, "no output folder");
    if (!S_ISDIR(st.st_mode))
        return PartError{PartErrorKind::TargetUnwritable, "the output folder is not a folder"};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    if (S_ISDIR(st.st_mode))
        return PartError{PartErrorKind::TargetUnwritable, "the target is a folder"};
    if (::access(path.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0)
        return PartError{PartErrorKind::TargetUnwritable, "the target is read-only"};
    return std::nullopt;
}

// A new file in dir with permission bits 0666 less the umask.
int create_temporary(const std::string& dir, std::string& temp_path) {
    static std::atomic<uint64_t> counter{0};
    auto seed = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                (static_cast<uint64_t>(::getpid()) << 32);
    for (int attempt = 0; attempt < 100; ++attempt) {
        uint64_t token = (seed + counter++ * 0x9e3779b97f4a7c15ULL) & 0xffffffffffULL;
        char name[40];
        std::snprintf(name, sizeof name, ".vellix-part-%010llx.tmp",
                      static_cast<unsigned long long>(token));
        temp_path = join_path(dir, name);
        int fd = ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Saves the view to a temporary file and renames it over path, so that a
// reader never sees a partial file under the final name and an existing
// file survives a failed write unharmed.
std::optional<PartError> save_atomically(PartView& view, const std::string& dir,
                                         const std::string& path, size_t& objects) {
    std::string temp;
    int fd = create_temporary(dir, temp);
    if (fd < 0)
        return system_error(PartErrorKind::TargetUnwritable,
                            "cannot create a file in the output folder");
    std::optional<PartError> error;
    {
        FileSink sink(fd);
        try {
            objects = save_part(view, sink);
        } catch (const std::exception& e) {
            error = PartError{PartErrorKind::SourceInvalid, e.what()};
        }
        if (!sink.finish() && !error)
            error = system_error(PartErrorKind::WriteFailed, "cannot write the part");
    }
    if (!error && ::rename(temp.c_str(), path.c_str()) != 0)
        error = system_error(PartErrorKind::WriteFailed, "cannot rename the part into place");
    if (error)
        ::unlink(temp.c_str());
    return error;
}

} // namespace

std::variant<uint64_t, PartError> source_page_count(SourceCache& cache,
                                                    const std::string& source_path) {
    auto acquired = acquire_source(cache, source_path);
    if (auto* error = std::get_if<PartError>(&acquired))
        return *error;
    auto& source = *std::get<std::shared_ptr<LoadedSource>>(acquired);
    uint64_t pages = source.model.pages.size();
    release_source(cache, source);
    return pages;
}

PartResult write_group(SourceCache& cache, const std::string& source_path,
                       const std::string& output_dir, const OutputGroup& group) {
    auto acquired = acquire_source(cache, source_path);
    if (auto* error = std::get_if<PartError>(&acquired))
        return *error;
    auto source = std::get<std::shared_ptr<LoadedSource>>(acquired);
    struct Release {
        SourceCache& cache;
        LoadedSource& source;
        ~Release() { release_source(cache, source); }
    } release{cache, *source};
    SourceModel& model = source->model;
    if (group.first > group.last || group.last >= model.pages.size())
        return PartError{PartErrorKind::SourceInvalid, "the group lies outside the document"};
    std::optional<PartError> error;
    std::string path;
    try {
        if (output_dir.empty())
            return PartError{PartErrorKind::TargetUnwritable, "no output folder"};
        path = join_path(output_dir, output_file_name(document_stem(source_path), group));
        error = check_target(output_dir, path);
        if (!error) {
            PartView view = make_part_view(*source->qpdf, model, group.first, group.last);
            size_t objects = 0;
            error = save_atomically(view, output_dir, path, objects);
            source->objects_since_parse += objects;
        }
    } catch (const std::exception& e) {
        error = PartError{PartErrorKind::SourceInvalid, e.what()};
    }
    forward_warnings(*source->qpdf);
    if (error) {
        log_message(LogLevel::Info, error->detail);
        return *error;
    }
    return WrittenPart{path, group_label(group)};
}

} // namespace vellix
