// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "source-loader.hh"

#include "logger.hh"

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFLogger.hh>

#include <cerrno>
#include <cstring>
#include <exception>
#include <optional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vellix {

namespace {

constexpr size_t max_warnings_logged = 50;

// Whatever qpdf would print goes to the logger instead, line by line.
class LogPipeline : public Pipeline {
  public:
    LogPipeline() : Pipeline("vellix log", nullptr) {}
    void write(unsigned char const* data, size_t len) override {
        for (size_t i = 0; i < len; ++i) {
            if (data[i] == '\n') {
                finish();
            } else {
                line_ += static_cast<char>(data[i]);
            }
        }
    }
    void finish() override {
        if (!line_.empty())
            log_message(LogLevel::Warning, line_);
        line_.clear();
    }

  private:
    std::string line_;
};

std::shared_ptr<QPDFLogger> qpdf_logger() {
    static auto logger = [] {
        auto created = QPDFLogger::create();
        auto pipe = std::make_shared<LogPipeline>();
        created->setInfo(pipe);
        created->setWarn(pipe);
        created->setError(pipe);
        return created;
    }();
    return logger;
}

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    explicit FileIdentity(const struct stat& st)
        : device(st.st_dev), inode(st.st_ino), size(st.st_size), modified(st.st_mtim),
          changed(st.st_ctim) {}

    bool operator==(const FileIdentity& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec &&
               changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
    }
};

PartError unreadable(const std::string& what) {
    return PartError{PartErrorKind::SourceUnreadable, what + ": " + std::strerror(errno)};
}

// qpdf keeps every object it has parsed until the document goes. Parts
// read a few objects each, so over a long job the cache would grow to the
// whole document; a fresh parse of the same unchanged file, which only reads
// the cross-reference section, lets it go again. The model holds no handle
// into the old parse.
constexpr uint64_t objects_before_reparse = 16384;

// A new qpdf document over the source's file or bytes.
void open_document(LoadedSource& source) {
    source.qpdf.reset();
    source.qpdf = std::make_unique<QPDF>();
    QPDF& qpdf = *source.qpdf;
    qpdf.setLogger(qpdf_logger());
    qpdf.setSuppressWarnings(true);
    if (source.file)
        qpdf.processInputSource(source.file);
    else
        qpdf.processMemoryFile("source", source.bytes.data(), source.bytes.size());
    source.objects_since_parse = 0;
}

// Parses the source and builds its model; the objects read for the model
// are dropped again by a second, cheap parse.
SourceResult parse(std::shared_ptr<LoadedSource> source) {
    try {
        open_document(*source);
        std::string error;
        bool built = build_source_model(*source->qpdf, source->model, error);
        forward_warnings(*source->qpdf);
        if (!built)
            return PartError{PartErrorKind::SourceInvalid, error};
        open_document(*source);
        source->qpdf->getWarnings(); // already logged by the first parse
    } catch (const std::exception& e) {
        if (source->qpdf)
            forward_warnings(*source->qpdf);
        return PartError{PartErrorKind::SourceInvalid, e.what()};
    }
    return source;
}

} // namespace

struct SourceCache::Impl {
    std::string path;
    std::optional<FileIdentity> identity;
    std::shared_ptr<LoadedSource> source;
};

SourceCache::SourceCache() : impl(std::make_unique<Impl>()) {}
SourceCache::~SourceCache() = default;

LoadedSource::~LoadedSource() {
    model = SourceModel{};
    qpdf.reset();
}

void forward_warnings(QPDF& qpdf) {
    auto warnings = qpdf.getWarnings();
    size_t shown = std::min(warnings.size(), max_warnings_logged);
    for (size_t i = 0; i < shown; ++i)
        log_message(LogLevel::Warning, warnings[i].what());
    if (warnings.size() > shown)
        log_message(LogLevel::Warning, std::to_string(warnings.size() - shown) +
                                           " more warnings from the PDF library");
}

SourceResult load_source(std::string bytes) {
    auto source = std::make_shared<LoadedSource>();
    source->bytes = std::move(bytes);
    return parse(source);
}

SourceResult acquire_source(SourceCache& cache, const std::string& path) {
    auto& impl = *cache.impl;
    // Non-blocking, so that a FIFO of that name cannot stall the call; it
    // fails the regular-file check below.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        impl = SourceCache::Impl{};
        return unreadable("cannot open the source");
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        impl = SourceCache::Impl{};
        errno = EINVAL;
        return unreadable("the source is not a regular file");
    }
    FileIdentity identity(st);
    if (impl.source && impl.path == path && impl.identity && *impl.identity == identity) {
        impl.source->file->attach(fd);
        if (impl.source->objects_since_parse >= objects_before_reparse) {
            try {
                open_document(*impl.source);
                impl.source->qpdf->getWarnings();
            } catch (const std::exception& e) {
                impl = SourceCache::Impl{};
                return PartError{PartErrorKind::SourceInvalid, e.what()};
            }
        }
        return impl.source;
    }
    impl = SourceCache::Impl{};
    auto source = std::make_shared<LoadedSource>();
    source->file = std::make_shared<SourceFile>(path, st.st_size);
    source->file->attach(fd);
    auto loaded = parse(source);
    if (std::holds_alternative<std::shared_ptr<LoadedSource>>(loaded)) {
        impl.path = path;
        impl.identity = identity;
        impl.source = source;
    } else {
        source->file->detach();
    }
    return loaded;
}

void release_source(SourceCache& cache, LoadedSource& source) {
    if (!source.file)
        return;
    auto& impl = *cache.impl;
    struct stat st {};
    int fd = source.file->descriptor();
    if (impl.identity && (fd < 0 || ::fstat(fd, &st) != 0 || !(FileIdentity(st) == *impl.identity)))
        impl = SourceCache::Impl{};
    source.file->detach();
}

} // namespace vellix
