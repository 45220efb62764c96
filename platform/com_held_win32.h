// A COM interface pointer released when its holder goes, whichever way a function leaves:
// for the code that talks to Windows' imaging component and Media Foundation.
#pragma once

namespace platform {

template <class T>
struct ComHeld {
    T* p = nullptr;
    ComHeld() = default;
    ComHeld(const ComHeld&) = delete;
    ComHeld& operator=(const ComHeld&) = delete;
    ~ComHeld() {
        if (p) p->Release();
    }
    T* operator->() const { return p; }
};

}  // namespace platform
