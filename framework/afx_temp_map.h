// AfxTemporaryWrapper: the wrapper object of a handle the program did not bind.
#pragma once

#include <map>
#include <memory>

// One wrapper per handle, made on first use and kept for the program's life
// (handles are few, and the program short-lived); null for a null handle.
template <class Wrapper, class Handle>
Wrapper* AfxTemporaryWrapper(Handle handle, Handle Wrapper::*pHandle) {
    if (!handle)
        return nullptr;
    static std::map<Handle, std::unique_ptr<Wrapper>> s_wrappers;
    std::unique_ptr<Wrapper>& pWrapper = s_wrappers[handle];
    if (!pWrapper)
        pWrapper.reset(new Wrapper);
    (*pWrapper).*pHandle = handle;
    return pWrapper.get();
}
