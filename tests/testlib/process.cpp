#include "testlib/process.h"

#include "support/codepage.h"
#include "support/handles.h"
#include "testlib/temp_dir.h"

std::string BuildProgram(const std::string& name) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string folder = self;
    folder = folder.substr(0, folder.find_last_of('\\'));  // tests
    folder = folder.substr(0, folder.find_last_of('\\'));  // the build folder
    return folder + "\\" + name;
}

ProgramRun RunProgram(const std::string& program, const std::string& arguments, const std::string& directory,
                      DWORD timeoutMs) {
    return RunProgram(program, AnsiToWide(arguments), AnsiToWide(directory), timeoutMs);
}

ProgramRun RunProgram(const std::string& program, const std::wstring& arguments, const std::wstring& directory,
                      DWORD timeoutMs) {
    ProgramRun run;
    TempDir outDir;
    const std::string outPath = outDir.File("output.txt");
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    FileHandle out(CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    FileHandle in(CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return run;

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.get();
    startup.hStdOutput = out.get();
    startup.hStdError = out.get();
    PROCESS_INFORMATION info = {};
    const std::wstring wideProgram = AnsiToWide(program);
    std::wstring commandLine = L"\"" + wideProgram + L"\" " + arguments;
    if (!CreateProcessW(wideProgram.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        directory.c_str(), &startup, &info)) {
        return run;
    }
    KernelHandle process(info.hProcess);
    KernelHandle thread(info.hThread);
    if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 0xFFFFFFFF);
        WaitForSingleObject(process.get(), 5000);
    } else {
        GetExitCodeProcess(process.get(), &run.exitCode);
    }
    out.reset();
    run.output = ReadFileBytes(outPath);
    return run;
}

std::vector<std::string> OutputLines(const std::string& output) {
    std::vector<std::string> lines;
    size_t from = 0;
    while (from < output.size()) {
        size_t end = output.find("\r\n", from);
        if (end == std::string::npos) {
            lines.push_back(output.substr(from));
            break;
        }
        lines.push_back(output.substr(from, end - from));
        from = end + 2;
    }
    return lines;
}
