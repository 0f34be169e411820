// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "source-loader.hh"

#include "logger.hh"

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFLogger.hh>

#include <cerrno>
#include <cstring>
#include <exception>
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

// Reads the whole file; identity receives what fstat said before the read,
// stable whether it still said so afterwards.
std::variant<std::string, PartError>
read_file(const std::string& path, std::optional<FileIdentity>& identity, bool& stable) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return unreadable("cannot open the source");
    struct stat before {};
    if (::fstat(fd, &before) != 0 || !S_ISREG(before.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return unreadable("the source is not a regular file");
    }
    std::string bytes(static_cast<size_t>(before.st_size), '\0');
    size_t used = 0;
    for (;;) {
        if (used == bytes.size()) {
            // Only a file that grew since fstat needs more room; look
            // before growing, so the usual case keeps one exact buffer.
            char probe[4096];
            ssize_t more = ::read(fd, probe, sizeof probe);
            if (more < 0 && errno == EINTR)
                continue;
            if (more < 0) {
                ::close(fd);
                return unreadable("cannot read the source");
            }
            if (more == 0)
                break;
            bytes.append(probe, static_cast<size_t>(more));
            used = bytes.size();
            continue;
        }
        ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            return unreadable("cannot read the source");
        }
        if (got == 0)
            break;
        used += static_cast<size_t>(got);
    }
    bytes.resize(used);
    struct stat after {};
    stable = ::fstat(fd, &after) == 0 && FileIdentity(before) == FileIdentity(after);
    ::close(fd);
    identity.emplace(before);
    return bytes;
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
    source->qpdf = std::make_unique<QPDF>();
    QPDF& qpdf = *source->qpdf;
    qpdf.setLogger(qpdf_logger());
    qpdf.setSuppressWarnings(true);
    try {
        qpdf.processMemoryFile("source", source->bytes.data(), source->bytes.size());
        std::string error;
        bool built = build_source_model(qpdf, source->model, error);
        forward_warnings(qpdf);
        if (!built)
            return PartError{PartErrorKind::SourceInvalid, error};
    } catch (const std::exception& e) {
        forward_warnings(qpdf);
        return PartError{PartErrorKind::SourceInvalid, e.what()};
    }
    return source;
}

SourceResult acquire_source(SourceCache& cache, const std::string& path) {
    auto& impl = *cache.impl;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        impl = SourceCache::Impl{};
        return unreadable("cannot find the source");
    }
    if (impl.source && impl.path == path && impl.identity && *impl.identity == FileIdentity(st))
        return impl.source;
    impl = SourceCache::Impl{};
    std::optional<FileIdentity> identity;
    bool stable = false;
    auto bytes = read_file(path, identity, stable);
    if (auto* error = std::get_if<PartError>(&bytes))
        return *error;
    auto loaded = load_source(std::move(std::get<std::string>(bytes)));
    if (auto* source = std::get_if<std::shared_ptr<LoadedSource>>(&loaded); source && stable) {
        impl.path = path;
        impl.identity = identity;
        impl.source = *source;
    }
    return loaded;
}

} // namespace vellix
