#include "protocol/HidLibrary.h"

#include "protocol/Trace.h"

#include <cstdlib>
#include <dlfcn.h>
#include <mutex>
#include <optional>
#include <unistd.h>

namespace ardent {

namespace {

constexpr const char* kLibraryFileName = "libportbridge.so";
constexpr const char* kLibraryEnvironment = "ARDENT_PORTBRIDGE";
// The installation keeps its transport libraries out of the public library folder.
constexpr const char* kPrivateFolder = "ardent";

using BeginFn = void (*)();
using GetIntfFn = void (*)(IHIDIntf**);
using EndFn = void (*)();

// The binding state of the process; every access is under `lock`.
struct TBindingState {
    std::mutex lock;
    void* handle = nullptr;
    EndFn end = nullptr;
    IHIDIntf* intf = nullptr;
    bool loaded = false;
    std::optional<std::vector<std::string>> candidatesOverride;

    // At process end the kept reference is given back; the library itself is left to the
    // system, because its threads may still be running while static objects are destroyed.
    ~TBindingState() {
        if (intf != nullptr)
            intf->Release();
    }
};

TBindingState& State() {
    static TBindingState state;
    return state;
}

std::string ExecutableFolder() {
    std::string path(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0)
        return {};
    path.resize(static_cast<size_t>(length));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

template <typename Fn> Fn Resolve(void* handle, const char* name) {
    return reinterpret_cast<Fn>(dlsym(handle, name));
}

} // namespace

std::vector<std::string> HidLibraryCandidates() {
    {
        TBindingState& state = State();
        std::lock_guard guard(state.lock);
        if (state.candidatesOverride)
            return *state.candidatesOverride;
    }
    std::vector<std::string> candidates;
    if (const char* named = std::getenv(kLibraryEnvironment); named != nullptr && *named != '\0')
        candidates.emplace_back(named);
    if (const std::string folder = ExecutableFolder(); !folder.empty()) {
        candidates.push_back(folder + kLibraryFileName);
        candidates.push_back(folder + "../" + ARDENT_INSTALL_LIBDIR + "/" + kPrivateFolder + "/" +
                             kLibraryFileName);
    }
    candidates.emplace_back(kLibraryFileName);
    return candidates;
}

bool LoadHidLibrary() {
    const std::vector<std::string> candidates = HidLibraryCandidates();
    TBindingState& state = State();
    std::lock_guard guard(state.lock);
    if (state.loaded)
        return true;

    void* handle = nullptr;
    const std::string* loaded = nullptr;
    for (const std::string& candidate : candidates) {
        handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle != nullptr) {
            loaded = &candidate;
            break;
        }
        if (TraceEnabled()) {
            const char* reason = dlerror();
            TraceLine("library " + candidate + " not loaded: " + (reason ? reason : "unknown"));
        }
    }
    if (handle == nullptr) {
        TraceLine("no transport library loaded");
        return false;
    }

    const auto begin = Resolve<BeginFn>(handle, "HidDllBegin");
    const auto getIntf = Resolve<GetIntfFn>(handle, "GetHidIntf");
    const auto end = Resolve<EndFn>(handle, "HidDllEnd");
    if (begin == nullptr || getIntf == nullptr || end == nullptr) {
        if (TraceEnabled())
            TraceLine("library " + *loaded +
                      " unloaded: it lacks HidDllBegin, GetHidIntf or HidDllEnd");
        dlclose(handle);
        return false;
    }

    begin();
    IHIDIntf* intf = nullptr;
    getIntf(&intf);
    if (intf == nullptr) {
        // A library without an interface is as useless as one without the exports.
        if (TraceEnabled())
            TraceLine("library " + *loaded + " unloaded: GetHidIntf gave no interface");
        end();
        dlclose(handle);
        return false;
    }
    if (TraceEnabled())
        TraceLine("library " + *loaded + " loaded");
    state.handle = handle;
    state.end = end;
    state.intf = intf;
    state.loaded = true;
    return true;
}

void UnloadHidLibrary() {
    TBindingState& state = State();
    std::lock_guard guard(state.lock);
    if (!state.loaded)
        return;
    if (state.intf != nullptr)
        state.intf->Release();
    state.intf = nullptr;
    state.end();
    dlclose(state.handle);
    state.handle = nullptr;
    state.end = nullptr;
    state.loaded = false;
}

IHIDIntf* GetHidInterface() {
    TBindingState& state = State();
    std::lock_guard guard(state.lock);
    if (state.intf != nullptr)
        state.intf->AddRef();
    return state.intf;
}

bool IsHidLibraryLoaded() {
    TBindingState& state = State();
    std::lock_guard guard(state.lock);
    return state.loaded;
}

namespace testing_seam {

void SetHidLibraryCandidates(std::vector<std::string> candidates) {
    TBindingState& state = State();
    std::lock_guard guard(state.lock);
    state.candidatesOverride = std::move(candidates);
}

void ResetHidLibraryCandidates() {
    TBindingState& state = State();
    std::lock_guard guard(state.lock);
    state.candidatesOverride.reset();
}

} // namespace testing_seam

} // namespace ardent
