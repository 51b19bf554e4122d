#pragma once
// The binding of the transport library (libportbridge.so or a stand-in with the same exports):
// loaded at run time with dlopen, one per process. Search order: the file named by the
// environment variable ARDENT_PORTBRIDGE, then libportbridge.so beside the executable, then in
// the private library folder of the installation the executable belongs to
// (<prefix>/bin/../<libdir>/ardent, so an installation to any prefix finds its own transport and
// keeps it out of the public library folder), then libportbridge.so through the dynamic linker's
// search path. The first file that loads is the
// one used; a file that loads but lacks one of the three exports is unloaded again and ends the
// search with false.

#include "portbridge/HidIntf.h"

#include <string>
#include <vector>

namespace ardent {

using portbridge::IHIDIntf;

// True when the library is loaded (at once if it already was): HidDllBegin has run and the
// interface is kept. False when no candidate loads or an export is missing.
bool LoadHidLibrary();
// Releases the kept interface, calls HidDllEnd and unloads the library; nothing when not loaded.
void UnloadHidLibrary();
// Another reference to the kept interface (AddRef'd); nullptr when the library is not loaded.
IHIDIntf* GetHidInterface();
// Whether the library is loaded.
bool IsHidLibraryLoaded();

// The files LoadHidLibrary tries, in order.
std::vector<std::string> HidLibraryCandidates();

// How a controller reaches the binding; tests put an in-process library in its place.
class IHidLibrary {
public:
    virtual ~IHidLibrary() = default;
    virtual bool Load() = 0;
    virtual void Unload() = 0;
    virtual IHIDIntf* GetInterface() = 0;
};

// The process-wide dlopen binding above.
class THidLibraryBinding final : public IHidLibrary {
public:
    bool Load() override { return LoadHidLibrary(); }
    void Unload() override { UnloadHidLibrary(); }
    IHIDIntf* GetInterface() override { return GetHidInterface(); }
};

namespace testing_seam {
// Replaces the candidate list (tests name their own library or a missing file).
void SetHidLibraryCandidates(std::vector<std::string> candidates);
void ResetHidLibraryCandidates();
} // namespace testing_seam

} // namespace ardent
