// A host program for the integration tests: loads the library, drives its exports from a small
// script, pumps the dispatcher while it waits, and writes every notification it receives.
//
//   test_host <library path> <script file> <output file>
//
// Script lines (blank lines and lines starting with "#" are skipped):
//   load                        load the library (done once at the start as well)
//   unload                      free the library; then report whether it is still mapped
//   start key=value...          VuAutoUpdate2; keys: url, context, flags, product, version,
//                               versioncheck, diffpatch (numbers in decimal or 0x hexadecimal),
//                               callback=record|none|raise|stop (raise: the callback raises at
//                               the job's start, a structured exception on Windows; stop: it
//                               calls VuStopUpdate at the job's start)
//   start-legacy key=value...   the same through VuAutoUpdate
//   getversion key=value...     VuGetVersion with the same keys
//   checkversion key=value...   VuCheckVersion on a zeroed record; keys: product, version,
//                               entryurl
//   stop                        VuStopUpdate
//   set <name> <value>          VuSetOption
//   get <name>                  VuGetOption into a buffer filled with "#" bytes
//   null-calls                  every export with null pointers
//   wait-ends <count> [ms]      pump until <count> job ends were received in all (default 20 s)
//   wait-lists <count> [ms]     the same for the ends of version list fetches
//   wait-unmapped [ms]          pump until the library is no longer mapped
//   pump <ms>                   pump for a while
//
// Output lines:
//   notify kind=XXXXXXXX code=XXXXXXXX value=N text=<hex bytes>|(null) context=N thread=loading|other
//   option <name> = <text>      or   option <name> untouched
//   mapped yes|no
//   check result=N entryversion=[text] listversion=[text] entryurl=[text] entryextra=[text]

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "RaVuviraZut.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

struct Exports {
    decltype(&VuCheckVersion) checkVersion = nullptr;
    decltype(&VuGetVersion) getVersion = nullptr;
    decltype(&VuGetOption) getOption = nullptr;
    decltype(&VuSetOption) setOption = nullptr;
    decltype(&VuStopUpdate) stopUpdate = nullptr;
    decltype(&VuAutoUpdate2) autoUpdate2 = nullptr;
    decltype(&VuAutoUpdate) autoUpdate = nullptr;
#if !defined(_WIN32)
    decltype(&VuDispatchNotifications) dispatch = nullptr;
#endif
};

std::string g_libraryPath;
void* g_library = nullptr;
Exports g_exports;
std::ofstream g_output;
std::thread::id g_loadingThread;
int g_jobEnds = 0;
int g_listEnds = 0;
std::map<std::int32_t, std::string> g_callbackModes;  // by request context

void* Symbol(const char* name) {
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(g_library), name));
#else
    return dlsym(g_library, name);
#endif
}

template <typename Function>
void Bind(Function& function, const char* name) {
    function = reinterpret_cast<Function>(Symbol(name));
    if (!function) throw std::runtime_error(std::string("missing export ") + name);
}

void Load() {
#if defined(_WIN32)
    g_library = LoadLibraryA(g_libraryPath.c_str());
#else
    g_library = dlopen(g_libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
    if (!g_library) throw std::runtime_error("cannot load " + g_libraryPath);
    g_loadingThread = std::this_thread::get_id();
    Bind(g_exports.checkVersion, "VuCheckVersion");
    Bind(g_exports.getVersion, "VuGetVersion");
    Bind(g_exports.getOption, "VuGetOption");
    Bind(g_exports.setOption, "VuSetOption");
    Bind(g_exports.stopUpdate, "VuStopUpdate");
    Bind(g_exports.autoUpdate2, "VuAutoUpdate2");
    Bind(g_exports.autoUpdate, "VuAutoUpdate");
#if !defined(_WIN32)
    Bind(g_exports.dispatch, "VuDispatchNotifications");
#endif
}

bool Mapped() {
#if defined(_WIN32)
    const std::string name = g_libraryPath.substr(g_libraryPath.find_last_of("\\/") + 1);
    return GetModuleHandleA(name.c_str()) != nullptr;
#else
    void* handle = dlopen(g_libraryPath.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle) dlclose(handle);
    return handle != nullptr;
#endif
}

void Unload() {
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(g_library));
#else
    dlclose(g_library);
#endif
    g_library = nullptr;
    g_exports = Exports{};
}

void PumpOnce() {
#if defined(_WIN32)
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
#else
    if (g_exports.dispatch) g_exports.dispatch();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
#endif
}

template <typename Done>
bool PumpUntil(Done done, int milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        PumpOnce();
    }
    return true;
}

std::string Hex(const char* text) {
    if (!text) return "(null)";
    std::string hex;
    char pair[3];
    for (const char* p = text; *p; ++p) {
        std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned char>(*p));
        hex += pair;
    }
    return hex;
}

std::int32_t VU_CALL Callback(std::int32_t kind, std::int32_t code, std::int32_t value,
                              const char* text, std::int32_t context) {
    char line[160];
    std::snprintf(line, sizeof line, "notify kind=%08X code=%08X value=%d text=",
                  static_cast<unsigned>(kind), static_cast<unsigned>(code), value);
    g_output << line << Hex(text) << " context=" << context << " thread="
             << (std::this_thread::get_id() == g_loadingThread ? "loading" : "other") << "\n";
    g_output.flush();
    if (kind == VU_EVENT_JOB_ENDED) ++g_jobEnds;
    if (kind == VU_EVENT_VERSION_LIST_ENDED) ++g_listEnds;
    const std::string& mode = g_callbackModes[context];
    if (kind == VU_EVENT_JOB_STARTED && mode == "stop") g_exports.stopUpdate();
    if (kind == VU_EVENT_JOB_STARTED && mode == "raise") {
#if defined(_WIN32)
        RaiseException(0xE0000001, 0, 0, nullptr);
#else
        throw std::runtime_error("host failure");
#endif
    }
    return 1;
}

std::int64_t Number(const std::string& text) {
    return std::strtoll(text.c_str(), nullptr, 0);
}

template <std::size_t Width>
void CopyText(char (&field)[Width], const std::string& text) {
    std::memcpy(field, text.data(), text.size() < Width ? text.size() : Width);
}

// Reads the next "key=value" word; false at the end of the line.
bool NextKeyValue(std::istringstream& words, std::string& key, std::string& value) {
    std::string word;
    if (!(words >> word)) return false;
    const auto equals = word.find('=');
    key = word.substr(0, equals);
    value = equals == std::string::npos ? "" : word.substr(equals + 1);
    return true;
}

UpdateRequest ParseRequest(std::istringstream& words, std::string& mode) {
    UpdateRequest request{};
    mode = "record";
    std::string key, value;
    while (NextKeyValue(words, key, value)) {
        if (key == "url") CopyText(request.ListUrl, value);
        else if (key == "context") request.Context = static_cast<std::int32_t>(Number(value));
        else if (key == "flags") request.Flags = static_cast<std::int32_t>(Number(value));
        else if (key == "product") CopyText(request.ProductName, value);
        else if (key == "version") CopyText(request.Version, value);
        else if (key == "versioncheck") request.VersionCheck = static_cast<std::uint16_t>(Number(value));
        else if (key == "diffpatch") request.DiffPatch = static_cast<std::uint16_t>(Number(value));
        else if (key == "callback") mode = value;
        else throw std::runtime_error("unknown request key " + key);
    }
    request.Callback = mode == "none" ? nullptr : &Callback;
    g_callbackModes[request.Context] = mode;
    return request;
}

template <std::size_t Width>
std::string FieldText(const char (&field)[Width]) {
    const void* end = std::memchr(field, 0, Width);
    return std::string(field, end ? static_cast<const char*>(end) - field : Width);
}

void CheckVersion(std::istringstream& words) {
    VersionQuery query{};
    std::string key, value;
    while (NextKeyValue(words, key, value)) {
        if (key == "product") CopyText(query.ProductName, value);
        else if (key == "version") CopyText(query.CurrentVersion, value);
        else if (key == "entryurl") CopyText(query.EntryUrl, value);
        else throw std::runtime_error("unknown query key " + key);
    }
    const std::int32_t result = g_exports.checkVersion(&query);
    g_output << "check result=" << result << " entryversion=[" << FieldText(query.EntryVersion)
             << "] listversion=[" << FieldText(query.ListVersion) << "] entryurl=["
             << FieldText(query.EntryUrl) << "] entryextra=[" << FieldText(query.EntryExtra)
             << "]\n";
}

LegacyUpdateRequest ToLegacy(const UpdateRequest& request) {
    LegacyUpdateRequest legacy{};
    legacy.Context = request.Context;
    legacy.Flags = request.Flags;
    std::memcpy(legacy.ProductName, request.ProductName, sizeof legacy.ProductName);
    std::memcpy(legacy.Version, request.Version, sizeof legacy.Version);
    std::memcpy(legacy.ListUrl, request.ListUrl, sizeof legacy.ListUrl);
    legacy.Callback = request.Callback;
    legacy.DiffPatch = static_cast<std::uint8_t>(request.DiffPatch);
    legacy.VersionCheck = request.VersionCheck;
    return legacy;
}

void Run(const std::string& line) {
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command.empty() || command[0] == '#') return;
    if (command == "load") {
        Load();
    } else if (command == "unload") {
        Unload();
    } else if (command == "start" || command == "start-legacy") {
        std::string mode;
        const UpdateRequest request = ParseRequest(words, mode);
        if (command == "start") {
            g_exports.autoUpdate2(0, &request);
        } else {
            const LegacyUpdateRequest legacy = ToLegacy(request);
            g_exports.autoUpdate(0, &legacy);
        }
    } else if (command == "getversion") {
        std::string mode;
        const UpdateRequest request = ParseRequest(words, mode);
        g_exports.getVersion(0, &request);
    } else if (command == "checkversion") {
        CheckVersion(words);
    } else if (command == "stop") {
        g_exports.stopUpdate();
    } else if (command == "set") {
        std::string name, value;
        words >> name >> value;
        g_exports.setOption(name.c_str(), value.c_str());
    } else if (command == "get") {
        std::string name;
        words >> name;
        char buffer[1024];
        std::memset(buffer, '#', sizeof buffer);
        g_exports.getOption(name.c_str(), buffer, 0);
        if (std::memchr(buffer, 0, sizeof buffer)) {
            g_output << "option " << name << " = " << buffer << "\n";
        } else {
            g_output << "option " << name << " untouched\n";
        }
    } else if (command == "null-calls") {
        g_exports.checkVersion(nullptr);
        g_exports.getVersion(0, nullptr);
        g_exports.getOption(nullptr, nullptr, 0);
        g_exports.setOption(nullptr, nullptr);
        g_exports.autoUpdate2(0, nullptr);
        g_exports.autoUpdate(0, nullptr);
        g_output << "null calls returned\n";
    } else if (command == "wait-ends") {
        int count = 0, milliseconds = 20000;
        words >> count >> milliseconds;
        if (!PumpUntil([&] { return g_jobEnds >= count; }, milliseconds ? milliseconds : 20000)) {
            g_output << "timed out waiting for " << count << " job ends\n";
        }
    } else if (command == "wait-lists") {
        int count = 0, milliseconds = 20000;
        words >> count >> milliseconds;
        if (!PumpUntil([&] { return g_listEnds >= count; }, milliseconds ? milliseconds : 20000)) {
            g_output << "timed out waiting for " << count << " version list ends\n";
        }
    } else if (command == "wait-unmapped") {
        int milliseconds = 0;
        words >> milliseconds;
        PumpUntil([] { return !Mapped(); }, milliseconds ? milliseconds : 20000);
        g_output << "mapped " << (Mapped() ? "yes" : "no") << "\n";
    } else if (command == "pump") {
        int milliseconds = 0;
        words >> milliseconds;
        PumpUntil([] { return false; }, milliseconds);
    } else {
        throw std::runtime_error("unknown command " + command);
    }
    g_output.flush();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: test_host <library> <script> <output>\n";
        return 2;
    }
    g_libraryPath = argv[1];
    std::ifstream script(argv[2]);
    g_output.open(argv[3], std::ios::binary);
    if (!script || !g_output) {
        std::cerr << "cannot open the script or the output\n";
        return 2;
    }
    try {
        Load();
        std::string line;
        while (std::getline(script, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            Run(line);
        }
    } catch (const std::exception& error) {
        g_output << "error " << error.what() << "\n";
        return 1;
    }
    g_output << "end\n";
    return 0;
}
