// The stdio functions the editor calls, counted and failed on purpose by
// the fault table: linked into a test executable, these definitions come
// before the C library's, which they forward to when nothing fails.
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>
#include <sys/types.h>

#include <cerrno>

#include "faults.h"

namespace faults = platform::faults;

namespace {

template <typename Function>
Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// What a failed stdio call leaves: the stream's error indicator, as ferror
// reports it, and errno.
void mark_failed(FILE* stream, int error) {
    if (stream) stream->_flags |= _IO_ERR_SEEN;
    errno = error;
}

int error_of(faults::Verdict verdict, bool writing) { return writing && verdict == faults::Verdict::DiskFull ? ENOSPC : EIO; }

// Whole items, and whole sectors of bytes where the items are bytes.
size_t short_items(size_t size, size_t count) {
    if (size == 1) return faults::short_length(static_cast<unsigned>(count), count % 512 == 0 ? 512 : 1);
    return count / 2;
}

FILE* open_with(const char* symbol, const char* path, const char* mode) {
    using Open = FILE* (*)(const char*, const char*);
    static Open const plain = next<Open>("fopen");
    static Open const wide = next<Open>("fopen64");
    if (faults::on_call(faults::Call::fopen) != faults::Verdict::Pass) {
        errno = EIO;
        return nullptr;
    }
    return (strcmp(symbol, "fopen") == 0 ? plain : wide)(path, mode);
}

int seek_with(faults::Verdict verdict, FILE* stream) {
    if (verdict == faults::Verdict::Pass) return 0;
    mark_failed(stream, EIO);
    return -1;
}

}  // namespace

extern "C" {

FILE* fopen(const char* path, const char* mode) { return open_with("fopen", path, mode); }

FILE* fopen64(const char* path, const char* mode) { return open_with("fopen64", path, mode); }

size_t fread(void* buffer, size_t size, size_t count, FILE* stream) {
    using Read = size_t (*)(void*, size_t, size_t, FILE*);
    static Read const real = next<Read>("fread");
    faults::Verdict verdict = faults::on_call(faults::Call::fread);
    size_t wanted = count;
    if (verdict == faults::Verdict::ShortCount) {
        count = short_items(size, count);
    } else if (verdict != faults::Verdict::Pass) {
        if (buffer) memset(buffer, faults::kPoison, size * count);
        mark_failed(stream, error_of(verdict, false));
        return 0;
    }
    size_t got = count > 0 ? real(buffer, size, count, stream) : 0;
    if (verdict == faults::Verdict::ShortCount && buffer && got < wanted) memset(static_cast<char*>(buffer) + got * size, faults::kPoison, (wanted - got) * size);
    return got;
}

size_t fwrite(const void* buffer, size_t size, size_t count, FILE* stream) {
    using Write = size_t (*)(const void*, size_t, size_t, FILE*);
    static Write const real = next<Write>("fwrite");
    faults::Verdict verdict = faults::on_call(faults::Call::fwrite);
    if (verdict == faults::Verdict::ShortCount) {
        count = short_items(size, count);
    } else if (verdict != faults::Verdict::Pass) {
        mark_failed(stream, error_of(verdict, true));
        return 0;
    }
    return count > 0 ? real(buffer, size, count, stream) : 0;
}

int fseek(FILE* stream, long offset, int whence) {
    using Seek = int (*)(FILE*, long, int);
    static Seek const real = next<Seek>("fseek");
    if (int failed = seek_with(faults::on_call(faults::Call::fseek), stream)) return failed;
    return real(stream, offset, whence);
}

int fseeko(FILE* stream, off_t offset, int whence) {
    using Seek = int (*)(FILE*, off_t, int);
    static Seek const real = next<Seek>("fseeko");
    if (int failed = seek_with(faults::on_call(faults::Call::fseek), stream)) return failed;
    return real(stream, offset, whence);
}

int fseeko64(FILE* stream, off64_t offset, int whence) {
    using Seek = int (*)(FILE*, off64_t, int);
    static Seek const real = next<Seek>("fseeko64");
    if (int failed = seek_with(faults::on_call(faults::Call::fseek), stream)) return failed;
    return real(stream, offset, whence);
}

}  // extern "C"
