// SpecialFiles: a FIFO and device links on POSIX systems, a named pipe and the NUL
// device on Windows.
#include "special_files.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mount.h>
#include <sys/stat.h>
#endif

#include <filesystem>

SpecialFiles::SpecialFiles(const TempFolder& folder) {
#if defined(_WIN32)
    static int made = 0;
    const std::string name =
        "\\\\.\\pipe\\velmora-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++made);
    // A server that never connects or writes: a client's open succeeds, its reads would wait.
    const HANDLE server = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 4, 4096,
                                           4096, 0, nullptr);
    if (server != INVALID_HANDLE_VALUE) {
        server_ = server;
        pipe = name;
    }
    devices = {"NUL", folder / "nul"};  // the device has its name in every folder
#else
    if (mkfifo((folder / "pipe").c_str(), 0600) == 0) pipe = folder / "pipe";
    std::error_code ec;
    std::filesystem::create_symlink("/dev/zero", folder / "zero", ec);
    devices = {folder / "zero", "/dev/urandom"};
#endif
}

SpecialFiles::~SpecialFiles() {
#if defined(_WIN32)
    if (server_) CloseHandle(server_);
#endif
}

SmallDisk::SmallDisk(const TempFolder& folder, int kilobytes) {
#if !defined(_WIN32)
    const std::string where = folder / "small-disk";
    std::error_code ec;
    std::filesystem::create_directory(where, ec);
    const std::string options = "size=" + std::to_string(kilobytes) + "k";
    if (!ec && ::mount("tmpfs", where.c_str(), "tmpfs", 0, options.c_str()) == 0) path = where;
#else
    (void)folder;
    (void)kilobytes;
#endif
}

SmallDisk::~SmallDisk() {
#if !defined(_WIN32)
    if (!path.empty()) ::umount2(path.c_str(), MNT_DETACH);
#endif
}
