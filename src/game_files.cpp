#include "game_files.h"

#include <allegro.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/mman.h>
#endif

std::string executable_path() {
    // The link holds the path's own bytes, at any length: read it into a buffer that grows
    // until the whole link fits.
    for (size_t size = 256; size <= (size_t{1} << 20); size *= 2) {
        std::string link(size, '\0');
        const ssize_t got = readlink("/proc/self/exe", link.data(), size);
        if (got < 0) {
            break;
        }
        if (static_cast<size_t>(got) < size) {
            link.resize(static_cast<size_t>(got));
            return link;
        }
    }
    // No /proc: Allegro's guess, which it hands over as 8-bit text widened to UTF-8; narrowed
    // back, it gives the path's bytes again.
    for (int size = 256; size <= (1 << 20); size *= 2) {
        std::string wide(static_cast<size_t>(size), '\0');
        get_executable_name(wide.data(), size);
        if (std::strlen(wide.c_str()) + 8 < static_cast<size_t>(size)) { // room to spare: whole
            std::string narrow(static_cast<size_t>(size), '\0');
            do_uconvert(wide.c_str(), U_CURRENT, narrow.data(), U_ASCII, size);
            narrow.resize(std::strlen(narrow.c_str()));
            return narrow;
        }
    }
    return {};
}

std::string beside(const std::string &exe, const char *name) {
    const size_t slash = exe.rfind('/');
    return (slash == std::string::npos ? std::string() : exe.substr(0, slash + 1)) + name;
}

bool read_whole_file(const std::string &path, std::vector<uint8_t> &bytes, size_t limit) {
    bytes.clear();
    // Not blocked by a pipe in the file's place: it is refused below, as anything but a file.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
              static_cast<uintmax_t>(st.st_size) <= limit; // it may still grow while read
    uint8_t chunk[65536];
    while (ok) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
        ok = bytes.size() <= limit;
    }
    close(fd);
    return ok;
}

bool seal_in_memory(const uint8_t *bytes, size_t size, sealed_file_t &file) {
    release_sealed(file);
#if defined(__linux__) && defined(MFD_ALLOW_SEALING)
    const int fd = memfd_create("jetsquad", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) {
        return false;
    }
    size_t done = 0;
    while (done < size) {
        const ssize_t put = write(fd, bytes + done, size - done);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            break;
        }
        done += static_cast<size_t>(put);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    const int seals = F_SEAL_SEAL | F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE;
    // The name must lead to this very file: a /proc that is missing or belongs to another
    // process (a container's) would not.
    struct stat by_fd {
    }, by_name{};
    if (done != size || fcntl(fd, F_ADD_SEALS, seals) != 0 || fstat(fd, &by_fd) != 0 ||
        stat(path.c_str(), &by_name) != 0 || by_fd.st_ino != by_name.st_ino ||
        by_fd.st_dev != by_name.st_dev) {
        close(fd);
        return false;
    }
    file.fd = fd;
    file.path = path;
    return true;
#else
    (void)bytes, (void)size;
    return false;
#endif
}

void release_sealed(sealed_file_t &file) {
    if (file.fd >= 0) {
        close(file.fd);
    }
    file = sealed_file_t{};
}

std::string patches_config_line(const std::string &path) {
    // Allegro's configuration reader ends a value at the line's end and trims its ends, and its
    // synthesiser splits the name at the last '#'.
    if (path.empty() || path.find_first_of("#\r\n") != std::string::npos || path.front() == ' ' ||
        path.back() == ' ' || path.front() == '\t' || path.back() == '\t') {
        return {};
    }
    return "patches = " + path + "#default_cfg\n";
}
