#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "ComMemoryStream.h"
#include "ComObject.h"

namespace {

// A storage holding named streams in memory; sub-storages are not supported.
class ComMemoryStorage final : public ComObject<ComMemoryStorage, IStorage> {
  public:
    void* interfaceFor(REFIID riid) {
        return riid == IID_IUnknown || riid == IID_IStorage ? static_cast<IStorage*>(this)
                                                            : nullptr;
    }

    HRESULT STDMETHODCALLTYPE CreateStream(const OLECHAR* name, DWORD mode, DWORD, DWORD,
                                           IStream** ppstm) override {
        if (!name || !ppstm) return STG_E_INVALIDPOINTER;
        *ppstm = nullptr;
        auto& bytes = streams_[name];
        if (bytes && !(mode & STGM_CREATE)) return STG_E_FILEALREADYEXISTS;
        bytes = std::make_shared<std::vector<BYTE>>();
        return open(bytes, ppstm);
    }
    HRESULT STDMETHODCALLTYPE OpenStream(const OLECHAR* name, void*, DWORD, DWORD,
                                         IStream** ppstm) override {
        if (!name || !ppstm) return STG_E_INVALIDPOINTER;
        *ppstm = nullptr;
        const auto found = streams_.find(name);
        if (found == streams_.end() || !found->second) return STG_E_FILENOTFOUND;
        return open(found->second, ppstm);
    }
    HRESULT STDMETHODCALLTYPE CreateStorage(const OLECHAR*, DWORD, DWORD, DWORD,
                                            IStorage**) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE OpenStorage(const OLECHAR*, IStorage*, DWORD, SNB, DWORD,
                                          IStorage**) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE CopyTo(DWORD, const IID*, SNB, IStorage*) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE MoveElementTo(const OLECHAR*, IStorage*, const OLECHAR*,
                                            DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnumElements(DWORD, void*, DWORD, IEnumSTATSTG**) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE DestroyElement(const OLECHAR* name) override {
        if (!name) return STG_E_INVALIDPOINTER;
        return streams_.erase(name) ? S_OK : STG_E_FILENOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE RenameElement(const OLECHAR* from, const OLECHAR* to) override {
        if (!from || !to) return STG_E_INVALIDPOINTER;
        const auto found = streams_.find(from);
        if (found == streams_.end()) return STG_E_FILENOTFOUND;
        if (streams_.count(to)) return STG_E_FILEALREADYEXISTS;
        auto bytes = found->second;
        streams_.erase(found);
        streams_[to] = std::move(bytes);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetElementTimes(const OLECHAR*, const FILETIME*, const FILETIME*,
                                              const FILETIME*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetClass(REFCLSID clsid) override {
        clsid_ = clsid;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetStateBits(DWORD, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
        if (!stat) return STG_E_INVALIDPOINTER;
        *stat = STATSTG{};
        stat->type = STGTY_STORAGE;
        stat->clsid = clsid_;
        return S_OK;
    }

  private:
    static HRESULT open(const std::shared_ptr<std::vector<BYTE>>& bytes, IStream** ppstm) {
        *ppstm = new (std::nothrow) ComMemoryStream(bytes);
        return *ppstm ? S_OK : E_OUTOFMEMORY;
    }

    std::map<std::u16string, std::shared_ptr<std::vector<BYTE>>> streams_;
    CLSID clsid_ = CLSID_NULL;
};

}  // namespace

STDAPI ComCreateMemoryStorage(IStorage** ppstg) {
    if (!ppstg) return STG_E_INVALIDPOINTER;
    *ppstg = new (std::nothrow) ComMemoryStorage;
    return *ppstg ? S_OK : E_OUTOFMEMORY;
}
