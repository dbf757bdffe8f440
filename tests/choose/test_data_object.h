// A data object of our own for drag-and-drop tests: offers fixed byte contents under chosen
// clipboard formats in global memory, and counts its references.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

// A CF_HDROP block: a DROPFILES header, then each 8-bit path with its NUL, then one more NUL.
inline std::vector<char> fileListBytes(const std::vector<std::string>& paths) {
    std::vector<char> bytes(sizeof(DROPFILES));
    DROPFILES header = {};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = FALSE;
    std::memcpy(bytes.data(), &header, sizeof header);
    for (const std::string& p : paths) bytes.insert(bytes.end(), p.c_str(), p.c_str() + p.size() + 1);
    bytes.push_back('\0');
    return bytes;
}

// The same list with UTF-16 names, as shells usually offer it.
inline std::vector<char> wideFileListBytes(const std::vector<std::string>& paths) {
    std::vector<char> bytes(sizeof(DROPFILES));
    DROPFILES header = {};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    std::memcpy(bytes.data(), &header, sizeof header);
    for (const std::string& p : paths) {
        std::vector<wchar_t> wide(p.size() + 1);
        const int n = MultiByteToWideChar(CP_ACP, 0, p.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
        const char* raw = reinterpret_cast<const char*>(wide.data());
        bytes.insert(bytes.end(), raw, raw + n * sizeof(wchar_t));
    }
    bytes.push_back('\0');
    bytes.push_back('\0');
    return bytes;
}

class TestDataObject final : public IDataObject {
public:
    void offer(CLIPFORMAT format, std::vector<char> bytes) { offers_.emplace_back(format, std::move(bytes)); }
    LONG references() const { return references_; }
    int getDataCalls = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
            *object = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the test's stack: the count is watched, never used to delete.
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&references_)); }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        ++getDataCalls;
        const std::vector<char>* bytes = find(format);
        if (!bytes || !medium) return DV_E_FORMATETC;
        HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, bytes->size());
        if (!global) return E_OUTOFMEMORY;
        std::memcpy(GlobalLock(global), bytes->data(), bytes->size());
        GlobalUnlock(global);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = global;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        return find(format) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out) out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (direction != DATADIR_GET) return E_NOTIMPL;
        std::vector<FORMATETC> formats;
        for (auto& o : offers_) formats.push_back({o.first, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
        return SHCreateStdEnumFmtEtc(static_cast<UINT>(formats.size()), formats.data(), out);
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    const std::vector<char>* find(const FORMATETC* format) const {
        if (!format || format->dwAspect != DVASPECT_CONTENT || !(format->tymed & TYMED_HGLOBAL)) return nullptr;
        for (auto& o : offers_)
            if (o.first == format->cfFormat) return &o.second;
        return nullptr;
    }
    std::vector<std::pair<CLIPFORMAT, std::vector<char>>> offers_;
    LONG references_ = 1;
};
