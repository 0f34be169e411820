// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "source-file.hh"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <unistd.h>

namespace vellix {

namespace {
// qpdf reads objects a few hundred bytes at a time at scattered offsets;
// one block keeps neighbouring reads from each costing a system call.
constexpr size_t block_size = 65536;
} // namespace

SourceFile::SourceFile(std::string name, qpdf_offset_t size)
    : name_(std::move(name)), size_(size), block_(block_size) {}

SourceFile::~SourceFile() {
    detach();
}

void SourceFile::attach(int fd) {
    detach();
    fd_ = fd;
}

void SourceFile::detach() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void SourceFile::seek(qpdf_offset_t offset, int whence) {
    qpdf_offset_t base = whence == SEEK_END ? size_ : whence == SEEK_CUR ? position_ : 0;
    if (offset < 0 && base < -offset)
        throw std::runtime_error(name_ + ": seek before the beginning of the file");
    position_ = base + offset;
}

void SourceFile::unreadCh(char) {
    if (position_ > 0)
        --position_;
}

size_t SourceFile::read_at(qpdf_offset_t offset, char* buffer, size_t length) {
    if (fd_ < 0)
        throw std::runtime_error(name_ + ": read outside a call");
    size_t done = 0;
    while (done < length) {
        ssize_t got = ::pread(fd_, buffer + done, length - done, offset + qpdf_offset_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw std::runtime_error(name_ + ": " + std::strerror(errno));
        if (got == 0)
            break;
        done += size_t(got);
    }
    return done;
}

bool SourceFile::load_block(qpdf_offset_t offset) {
    if (offset >= block_start_ && offset < block_start_ + qpdf_offset_t(block_length_))
        return true;
    if (offset >= size_)
        return false;
    block_start_ = offset;
    block_length_ = 0;
    size_t wanted = size_t(std::min<qpdf_offset_t>(block_size, size_ - offset));
    block_length_ = read_at(offset, block_.data(), wanted);
    return block_length_ > 0;
}

size_t SourceFile::read(char* buffer, size_t length) {
    last_offset = std::min(position_, size_);
    if (position_ >= size_)
        return 0;
    length = size_t(std::min<qpdf_offset_t>(qpdf_offset_t(length), size_ - position_));
    size_t done;
    if (length >= block_size) {
        done = read_at(position_, buffer, length);
    } else {
        done = 0;
        while (done < length && load_block(position_ + qpdf_offset_t(done))) {
            qpdf_offset_t at = position_ + qpdf_offset_t(done) - block_start_;
            size_t take = std::min(length - done, block_length_ - size_t(at));
            std::memcpy(buffer + done, block_.data() + at, take);
            done += take;
        }
    }
    position_ += qpdf_offset_t(done);
    return done;
}

qpdf_offset_t SourceFile::findAndSkipNextEOL() {
    auto is_eol = [](char c) { return c == '\r' || c == '\n'; };
    qpdf_offset_t eol = -1;
    while (eol < 0 && load_block(position_)) {
        auto begin = block_.begin() + (position_ - block_start_);
        auto end = block_.begin() + qpdf_offset_t(block_length_);
        auto found = std::find_if(begin, end, is_eol);
        position_ += found - begin;
        if (found != end)
            eol = position_;
    }
    if (eol < 0) {
        position_ = size_;
        return size_;
    }
    while (load_block(position_) && is_eol(block_[size_t(position_ - block_start_)]))
        ++position_;
    return eol;
}

} // namespace vellix
