#include "tests/support/scratch_key.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {
const char kRoot[] = "Software\\CorvaneTests";
LONG g_serial = 0;

std::string UniqueName()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    char buf[64];
    std::snprintf(buf, sizeof buf, ".%lu.%ld", GetCurrentProcessId(), InterlockedIncrement(&g_serial));
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "NoTest";
    return name + buf;
}
}  // namespace

ScratchKey::ScratchKey() : m_path(std::string(kRoot) + "\\" + UniqueName())
{
    LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &m_hKey, nullptr);
    if (status != ERROR_SUCCESS) {
        m_hKey = nullptr;
        ADD_FAILURE() << "cannot create scratch key " << m_path << ": " << status;
    }
}

ScratchKey::~ScratchKey()
{
    if (m_hKey)
        RegCloseKey(m_hKey);
    LONG status = RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        ADD_FAILURE() << "cannot remove scratch key " << m_path << ": " << status;
}

void ScratchKey::SetRaw(const char* name, DWORD type, const void* data, DWORD size) const
{
    LONG status = RegSetValueExA(m_hKey, name, 0, type, static_cast<const BYTE*>(data), size);
    ASSERT_EQ(ERROR_SUCCESS, status) << "setting " << name;
}

void ScratchKey::SetString(const char* name, const char* text) const
{
    SetRaw(name, REG_SZ, text, static_cast<DWORD>(std::strlen(text) + 1));
}

void ScratchKey::SetDword(const char* name, DWORD value) const
{
    SetRaw(name, REG_DWORD, &value, sizeof value);
}

HKEY ScratchKey::CreateSubkey(const char* subPath) const
{
    HKEY hSub = nullptr;
    LONG status = RegCreateKeyExA(m_hKey, subPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hSub, nullptr);
    EXPECT_EQ(ERROR_SUCCESS, status) << "creating " << subPath;
    return hSub;
}

bool ScratchKey::HasSubkey(const char* subPath) const
{
    HKEY hSub = nullptr;
    if (RegOpenKeyExA(m_hKey, subPath, 0, KEY_READ, &hSub) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hSub);
    return true;
}

bool ScratchKey::HasValue(const char* name) const
{
    return RegQueryValueExA(m_hKey, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool ScratchKey::ReadRaw(const char* name, DWORD& type, std::string& bytes) const
{
    DWORD size = 0;
    if (RegQueryValueExA(m_hKey, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    std::vector<BYTE> buf(size + 1);
    if (RegQueryValueExA(m_hKey, name, nullptr, &type, buf.data(), &size) != ERROR_SUCCESS)
        return false;
    bytes.assign(reinterpret_cast<const char*>(buf.data()), size);
    return true;
}

bool IsClosedKeyHandle(HKEY hKey)
{
    DWORD values = 0;
    return RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                            nullptr, nullptr, nullptr, nullptr) == ERROR_INVALID_HANDLE;
}
