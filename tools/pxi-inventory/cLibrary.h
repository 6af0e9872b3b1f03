// A shared library loaded with dlopen by file name, as a third-party host loads it. The
// tool links none of the libraries it inventories: a missing library or entry point is
// one more thing to report, not a reason to stop.
#pragma once

#include <string>
#include <vector>

namespace nQxPxiInventory {

class cLibrary {
public:
    // Tries the bare file name first (the loader's normal search), then each fallback
    // directory in order. Never throws; see loaded() and error().
    cLibrary(const std::string& a_rFile, const std::vector<std::string>& a_rFallbackDirs);
    ~cLibrary();
    cLibrary(const cLibrary&) = delete;
    cLibrary& operator=(const cLibrary&) = delete;

    bool loaded() const { return m_pHandle != nullptr; }
    const std::string& file() const { return m_File; }
    // Where the loader found it (from dlinfo), empty when not loaded.
    const std::string& path() const { return m_Path; }
    // The loader's message of the bare-name attempt when nothing could be loaded.
    const std::string& error() const { return m_Error; }

    // The entry point, or nullptr (with the loader's message in a_rError).
    template <typename tFunction>
    tFunction* symbol(const char* a_pName, std::string& a_rError) const {
        return reinterpret_cast<tFunction*>(rawSymbol(a_pName, a_rError));
    }

private:
    void* rawSymbol(const char* a_pName, std::string& a_rError) const;

    std::string m_File;
    std::string m_Path;
    std::string m_Error;
    void* m_pHandle = nullptr;
};

}  // namespace nQxPxiInventory
