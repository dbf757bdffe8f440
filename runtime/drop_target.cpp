// The drop-target component's OLE object: which drags it takes, the effect it shows, and the
// texts it delivers on a drop.
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <new>
#include <vector>

#include "internal.h"
#include "runtime.h"

namespace runtime_internal {

namespace {

CLIPFORMAT formatOf(DropDataKind kind) {
    switch (kind) {
    case dropText: return CF_TEXT;
    case dropHtml: return static_cast<CLIPFORMAT>(RegisterClipboardFormatA("HTML Format"));
    case dropUrl: return static_cast<CLIPFORMAT>(RegisterClipboardFormatA("UniformResourceLocator"));
    default: return CF_HDROP;
    }
}

int switchOf(DropDataKind kind) {
    switch (kind) {
    case dropText: return acceptText;
    case dropHtml: return acceptHtml;
    case dropUrl: return acceptUrl;
    default: return acceptFiles;
    }
}

FORMATETC formatEtc(DropDataKind kind) {
    return FORMATETC{formatOf(kind), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

// A text kind in global memory: its bytes up to the first NUL, never past the block's end.
TextValue textFromGlobal(HGLOBAL global) {
    const SIZE_T size = GlobalSize(global);
    const char* bytes = static_cast<const char*>(GlobalLock(global));
    if (!bytes) return nullptr;
    SIZE_T length = 0;
    while (length < size && bytes[length]) ++length;
    TextValue text = newText(bytes, length);
    GlobalUnlock(global);
    return text;
}

// The file list as one text: a single path alone; several each followed by CR LF; none empty.
TextValue textFromFileList(HDROP list) {
    const UINT count = DragQueryFileA(list, 0xFFFFFFFF, nullptr, 0);
    std::vector<UINT> lengths(count);
    std::size_t total = 0;
    const std::size_t separator = count > 1 ? 2 : 0;
    for (UINT i = 0; i < count; ++i) {
        lengths[i] = DragQueryFileA(list, i, nullptr, 0);
        total += lengths[i] + separator;
    }
    if (total == 0) return nullptr;
    auto* text = static_cast<char*>(runtimeAllocate(total + 1));
    std::size_t at = 0;
    for (UINT i = 0; i < count; ++i) {
        // Each path into exactly its length plus one, so that no length is too long for it.
        const UINT copied = DragQueryFileA(list, i, text + at, lengths[i] + 1);
        at += copied < lengths[i] ? copied : lengths[i];
        if (separator) {
            text[at++] = '\r';
            text[at++] = '\n';
        }
    }
    text[at] = '\0';
    return text;
}

class DropTargetObject final : public IDropTarget {
public:
    DropTargetObject(const std::int32_t* switches, const TextHandler handlers[dropKindCount])
        : switches_(switches) {
        for (int k = 0; k < dropKindCount; ++k) handlers_[k] = handlers[k];
    }
    DropTargetObject(const DropTargetObject&) = delete;
    DropTargetObject& operator=(const DropTargetObject&) = delete;

    void detach() {
        switches_ = nullptr;
        accepted_ = false;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
            *object = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL, DWORD* effect) override {
        accepted_ = offersWantedKind(data);
        if (effect) *effect = dropEffect(accepted_, keyState, *effect);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL, DWORD* effect) override {
        if (effect) *effect = dropEffect(accepted_, keyState, *effect);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override {
        accepted_ = false;
        return S_OK;
    }
    // Answers E_FAIL whatever happens, also after a delivery: the source is never told that the
    // data was taken, so a "move" never makes it delete its files.
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL, DWORD* effect) override {
        const DWORD chosen = dropEffect(accepted_, keyState, effect ? *effect : DROPEFFECT_NONE);
        accepted_ = false;
        if (effect) *effect = chosen;
        if (chosen != DROPEFFECT_NONE && data && switches_) {
            AddRef();  // a handler that closes the window releases the component's reference
            deliver(data);
            Release();
        }
        return E_FAIL;
    }

private:
    bool switchedOn(DropDataKind kind) const { return switches_ && switches_[switchOf(kind)] == 1; }

    bool offersWantedKind(IDataObject* data) const {
        if (!data) return false;
        for (DropDataKind kind : {dropText, dropFiles, dropUrl, dropHtml}) {
            if (!switchedOn(kind)) continue;
            FORMATETC format = formatEtc(kind);
            if (data->QueryGetData(&format) == S_OK) return true;
        }
        return false;
    }

    void deliver(IDataObject* data) {
        for (DropDataKind kind : {dropText, dropHtml, dropUrl, dropFiles}) {
            // A handler may close the window and so detach the component half way.
            if (!switchedOn(kind)) continue;
            FORMATETC format = formatEtc(kind);
            STGMEDIUM medium = {};
            if (data->GetData(&format, &medium) != S_OK) continue;
            if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
                TextValue text = kind == dropFiles ? textFromFileList(static_cast<HDROP>(medium.hGlobal))
                                                   : textFromGlobal(medium.hGlobal);
                if (handlers_[kind]) handlers_[kind](text);
                freeValue(text);
            }
            ReleaseStgMedium(&medium);
        }
    }

    LONG references_ = 1;
    const std::int32_t* switches_;  // null once the component is gone
    TextHandler handlers_[dropKindCount] = {};
    bool accepted_ = false;  // decided on drag enter, for the rest of that drag
};

}  // namespace

IDropTarget* newDropTarget(const std::int32_t* switches, const TextHandler handlers[dropKindCount]) {
    return new (std::nothrow) DropTargetObject(switches, handlers);
}

void detachDropTarget(IDropTarget* target) {
    if (target) static_cast<DropTargetObject*>(target)->detach();
}

DWORD dropEffect(bool accepted, DWORD keyState, DWORD allowed) {
    if (!accepted) return DROPEFFECT_NONE;
    const bool control = (keyState & MK_CONTROL) != 0, shift = (keyState & MK_SHIFT) != 0;
    if (control && shift) return DROPEFFECT_NONE;
    if (control) return allowed & DROPEFFECT_COPY;
    if (shift) return allowed & DROPEFFECT_MOVE;
    for (DWORD effect : {DROPEFFECT_COPY, DROPEFFECT_MOVE, DROPEFFECT_LINK})
        if (allowed & effect) return effect;
    return DROPEFFECT_NONE;
}

}  // namespace runtime_internal
