// Prints a registry key's tree in the spirit of "reg query KEY /s": the key's
// path, its values with their types and texts, a blank line, then each
// subkey the same way.
//
//   registry_tree HKEY_CURRENT_USER\Software\Something
//   registry_tree HKCU\Software\Something
#include <windows.h>

#include <cstdio>
#include <new>
#include <string>

#include "registry/registry_key.h"

using Quarnell::CRegistryKey;

namespace {

struct Root {
    const char* name;
    const char* shortName;
    HKEY key;
};

const Root kRoots[] = {
    {"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
    {"HKEY_USERS", "HKU", HKEY_USERS},
    {"HKEY_CURRENT_CONFIG", "HKCC", HKEY_CURRENT_CONFIG},
};

const Root* FindRoot(const std::string& name)
{
    for (const Root& root : kRoots) {
        if (lstrcmpiA(name.c_str(), root.name) == 0 || lstrcmpiA(name.c_str(), root.shortName) == 0)
            return &root;
    }
    return nullptr;
}

const char* TypeName(DWORD type)
{
    switch (type) {
    case REG_NONE: return "REG_NONE";
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_DWORD_BIG_ENDIAN: return "REG_DWORD_BIG_ENDIAN";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    default: return "REG_UNKNOWN";
    }
}

void PrintTree(const CRegistryKey& key, const std::string& path)
{
    std::printf("%s\n", path.c_str());
    for (CRegistryKey::ValueIterator it = key.BeginValueIteration(); it != key.EndValueIteration(); ++it) {
        const char* name = *it.GetName() ? it.GetName() : "(Default)";
        CRegistryKey::Value value = it.GetValue();
        if (value.GetType() == REG_DWORD) {
            // The display text of a number only says that it is one.
            std::printf("    %s    %s    0x%lx\n", name, TypeName(value.GetType()),
                        static_cast<unsigned long>(static_cast<DWORD>(value)));
        } else {
            std::printf("    %s    %s    %s\n", name, TypeName(value.GetType()), it.AsString());
        }
    }
    std::printf("\n");
    for (CRegistryKey::SubkeyIterator it = key.BeginSubkeyIteration(); it != key.EndSubkeyIteration(); ++it)
        PrintTree(it.OpenKey(KEY_READ), path + "\\" + it.GetName());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: registry_tree ROOT\\KEY (ROOT: HKCR, HKCU, HKLM, HKU, HKCC or their long names)\n");
        return 2;
    }
    std::string path = argv[1];
    size_t slash = path.find('\\');
    const Root* root = FindRoot(path.substr(0, slash));
    if (!root) {
        std::fprintf(stderr, "registry_tree: no such root key: %s\n", path.substr(0, slash).c_str());
        return 2;
    }
    std::string subKey = slash == std::string::npos ? "" : path.substr(slash + 1);
    try {
        CRegistryKey key(root->key, subKey.c_str(), KEY_READ);
        PrintTree(key, subKey.empty() ? root->name : std::string(root->name) + "\\" + subKey);
        return 0;
    } catch (const CRegistryKey::Exception& failure) {
        std::fprintf(stderr, "registry_tree: %s: %s\n", failure.GetWhere(), failure.GetErrorMessage());
        return 1;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "registry_tree: out of memory\n");
        return 1;
    }
}
