// runProgram: fork/exec with a pipe on POSIX systems, CreateProcessW with a pipe on
// Windows.
#include "run_program.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace {

#if defined(_WIN32)

std::wstring widen(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(n > 0 ? n - 1 : 0);
    return wide;
}

// One argument quoted so that the C runtime's command-line parser gives it back as it was:
// backslashes are literal except before a quote, where they are doubled.
std::wstring quoted(const std::wstring& argument) {
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

ProgramRun run(const std::string& program, const std::vector<std::string>& arguments) {
    ProgramRun result;
    std::wstring commandLine = quoted(widen(program));
    for (const std::string& argument : arguments) commandLine += L" " + quoted(widen(argument));
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process);
    CloseHandle(writeEnd);  // the child holds the only write end: reading ends when it exits
    if (started) {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) result.output.append(buffer, got);
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD status = 0;
        if (GetExitCodeProcess(process.hProcess, &status)) result.status = static_cast<int>(status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
    std::string text;
    for (size_t i = 0; i < result.output.size(); ++i)
        if (!(result.output[i] == '\r' && i + 1 < result.output.size() && result.output[i + 1] == '\n'))
            text += result.output[i];
    result.output = text;
    return result;
}

#else

ProgramRun run(const std::string& program, const std::vector<std::string>& arguments) {
    ProgramRun result;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return result;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], 1);
        dup2(pipeEnds[1], 2);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    char buffer[4096];
    ssize_t got;
    while (child > 0 && (got = read(pipeEnds[0], buffer, sizeof buffer)) != 0) {
        if (got > 0) result.output.append(buffer, static_cast<size_t>(got));
        else if (errno != EINTR) break;
    }
    close(pipeEnds[0]);
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) result.status = WEXITSTATUS(status);
    return result;
}

#endif

}  // namespace

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments) {
    return run(program, arguments);
}
