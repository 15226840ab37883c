#pragma once
// The registry library: CRegistryKey, a registry key with value semantics whose
// handle is shared and counted, typed value access, iterators over subkeys and
// values, key maintenance, and the exceptions that carry the Win32 status.
//
// Every failure is raised as an exception by value; only predicates (the typed
// QueryValue overloads, SubkeyExists) answer with a result instead.
#include <windows.h>

#include <memory>

// The iterators keep their entries in these.
#include "registry/expandable_buffer.h"

namespace Quarnell {

// ---------------------------------------------------------------------------
// Exceptions and error text

// The system's message text for a Win32 error code. The text lives in one
// static buffer of the process and stays valid until the next call anywhere.
// When the system has no text for the code, the text of the lookup's own
// failure is used once; when that fails too, "Unknown error 0x%08lX" names the
// original code.
LPCSTR FormatErrorMessage(DWORD code);

class CWin32Exception {
public:
    // where must have static lifetime: only the pointer is kept.
    CWin32Exception(LPCSTR where, DWORD error) : m_pWhere(where), m_error(error) {}

    virtual LPCSTR GetErrorMessage() const;

    LPCSTR GetWhere() const { return m_pWhere; }
    DWORD GetError() const { return m_error; }
    // Modal stop box: the message text as body, the where-string as caption.
    void ShowMessageBox(HWND hWnd) const;

private:
    LPCSTR m_pWhere;
    DWORD m_error;
};

// ---------------------------------------------------------------------------
// Counted key handle

class CCountedHandle {
public:
    virtual void Close() = 0;
    virtual ~CCountedHandle();

    CCountedHandle* AddRef();
    // Drops one holder; the last one closes the handle and frees the object.
    // Always returns null, so that holders can write p = p->Release().
    CCountedHandle* Release();
    const HKEY& GetHandle() const { return m_handle; }

protected:
    explicit CCountedHandle(HKEY handle) : m_handle(handle), m_refCount(1) {}

private:
    CCountedHandle(const CCountedHandle&) = delete;
    CCountedHandle& operator=(const CCountedHandle&) = delete;

    const HKEY m_handle;
    volatile LONG m_refCount;
};

class CCountedRegKey : public CCountedHandle {
public:
    void Close() override;

    CCountedRegKey* AddRef() { CCountedHandle::AddRef(); return this; }
    CCountedRegKey* Release() { CCountedHandle::Release(); return nullptr; }

private:
    friend class CRegistryKey;
    explicit CCountedRegKey(HKEY hKey) : CCountedHandle(hKey) {}
};

// ---------------------------------------------------------------------------
// The key

class CRegistryKey {
public:
    // What every failure raises.
    class Exception : public CWin32Exception {
    public:
        Exception(LPCSTR where, DWORD error) : CWin32Exception(where, error) {}
    };

    // A value held in memory, with its own copies of name and data.
    class Value {
    public:
        // Raised when a Value is built or read as a type it does not hold.
        class Exception : public CRegistryKey::Exception {
        public:
            Exception() : CRegistryKey::Exception("CRegistryKey::Value::Exception", ERROR_INVALID_PARAMETER) {}
        };

        // Any type; copies dataLength bytes.
        Value(LPCSTR valueName, const BYTE* pData, DWORD dataLength, DWORD type);
        // REG_SZ or REG_EXPAND_SZ; stores the string with its terminator.
        Value(LPCSTR valueName, LPCSTR pString, DWORD type);
        // REG_DWORD or REG_DWORD_BIG_ENDIAN; stores the bytes as they lie in memory.
        Value(LPCSTR valueName, DWORD value, DWORD type);
        Value(const Value& other);
        Value& operator=(const Value& other);

        // REG_BINARY and REG_NONE.
        operator const BYTE*() const;
        // REG_SZ and REG_EXPAND_SZ; always terminated, even when the stored data was not.
        operator LPCSTR() const;
        // REG_DWORD and REG_DWORD_BIG_ENDIAN: the first 4 bytes, little-endian.
        operator DWORD() const;

        LPCSTR GetName() const { return m_name.get(); }
        // Built on first use, kept until the Value is assigned or destroyed.
        LPCSTR AsString() const;

        DWORD GetType() const { return m_type; }
        DWORD GetLength() const { return m_length; }

    private:
        friend class CRegistryKey;

        std::unique_ptr<char[]> m_name;
        DWORD m_type;
        std::unique_ptr<BYTE[]> m_data;
        DWORD m_length;
        mutable std::unique_ptr<char[]> m_text;
    };

    // -- Walking subkeys and values

    // Holds one reference on the walked key while positioned; an end
    // iterator holds none (null key, index 0).
    class IteratorBase {
    public:
        explicit IteratorBase(CCountedRegKey* pKey);
        IteratorBase(const IteratorBase& other);
        IteratorBase& operator=(const IteratorBase& other);
        virtual ~IteratorBase();

        bool operator==(const IteratorBase& other) const { return m_pKey == other.m_pKey && m_index == other.m_index; }
        bool operator!=(const IteratorBase& other) const { return !(*this == other); }

    protected:
        HKEY KeyHandle() const { return m_pKey->GetHandle(); }
        void ReachEnd();
        // Exchanges key reference and position; cannot fail.
        void SwapPosition(IteratorBase& other) noexcept;

        CCountedRegKey* m_pKey;
        // Index of the next entry to read; the buffers hold the one before.
        DWORD m_index;
    };

    // Stepping shared by both iterators; Derived supplies ReadEntry(), which
    // reads the entry at m_index and tells whether there was one.
    template <class Derived>
    class SteppingIterator : public IteratorBase {
    public:
        Derived& operator++();

    protected:
        explicit SteppingIterator(CCountedRegKey* pKey) : IteratorBase(pKey) {}
    };

    class SubkeyIterator : public SteppingIterator<SubkeyIterator> {
    public:
        // A null key gives the end iterator.
        explicit SubkeyIterator(CCountedRegKey* pKey);

        // Empty texts before any entry was read.
        LPCSTR GetName() const { return m_name.Get() ? m_name.Get() : ""; }
        LPCSTR GetClass() const { return m_class.Get() ? m_class.Get() : ""; }
        // At the end there is no subkey to open: raises ERROR_NO_MORE_ITEMS.
        CRegistryKey OpenKey(REGSAM samDesired = KEY_ALL_ACCESS) const;

    private:
        friend class SteppingIterator<SubkeyIterator>;
        bool ReadEntry() { return GetSubkeyInfo(); }
        bool GetSubkeyInfo();

        ExpandableBuffer<char> m_name;
        ExpandableBuffer<char> m_class;
    };

    class ValueIterator : public SteppingIterator<ValueIterator> {
    public:
        // A null key gives the end iterator.
        explicit ValueIterator(CCountedRegKey* pKey);
        // Copies own their display text; it is built again on demand.
        ValueIterator(const ValueIterator& other);
        // All or nothing: a copy that fails leaves this iterator as it was.
        ValueIterator& operator=(const ValueIterator& other);

        LPCSTR GetName() const { return m_name.Get() ? m_name.Get() : ""; }
        // Valid until the next step or the iterator's end.
        LPCSTR AsString() const;
        Value GetValue() const;

    private:
        friend class SteppingIterator<ValueIterator>;
        bool ReadEntry() { return GetValueInfo(); }
        bool GetValueInfo();
        void Swap(ValueIterator& other) noexcept;

        ExpandableBuffer<char> m_name;
        ExpandableBuffer<BYTE> m_data;
        DWORD m_type;
        DWORD m_dataLength;
        // One block for the texts of all entries, so that a walk allocates
        // only when a text is longer than every one before it.
        mutable ExpandableBuffer<char> m_text;
        mutable bool m_textIsCurrent;
    };

    SubkeyIterator BeginSubkeyIteration() const;
    SubkeyIterator EndSubkeyIteration() const;
    ValueIterator BeginValueIteration() const;
    ValueIterator EndValueIteration() const;

    // -- Making, copying and sharing a key

    // Takes ownership of an open key.
    explicit CRegistryKey(HKEY hKey);
    // Connects to a predefined key (HKEY_LOCAL_MACHINE, HKEY_USERS) of another machine.
    CRegistryKey(LPCSTR machineName, HKEY hKey);
    // Opens subKey under hKey, on machineName when it is not null.
    CRegistryKey(HKEY hKey, LPCSTR subKey, REGSAM samDesired = KEY_ALL_ACCESS, LPCSTR machineName = nullptr);
    CRegistryKey(const CRegistryKey& other);
    ~CRegistryKey();
    CRegistryKey& operator=(const CRegistryKey& other);
    // Takes ownership of hKey; the previous key closes if this was its last holder.
    CRegistryKey& operator=(HKEY hKey);
    // Count 1; on failure closes hKey when asked to and raises ERROR_NOT_ENOUGH_MEMORY.
    static CCountedRegKey* NewCCountedRegKey(HKEY hKey, bool closeKeyOnFailure);
    // The shared handle; the caller must not close it.
    operator HKEY() const { return m_pKey->GetHandle(); }
    // This key must be a predefined key.
    CRegistryKey ConnectRegistry(LPCSTR machineName) const;
    void FlushKey() const;

    // -- Opening, creating and deleting subkeys

    CRegistryKey OpenKey(LPCSTR subKey, REGSAM samDesired = KEY_ALL_ACCESS) const;
    // CreateKey raises ERROR_ALREADY_EXISTS when the key existed already.
    CRegistryKey CreateKey(LPCSTR subKey, LPSTR lpClass = nullptr, DWORD dwOptions = REG_OPTION_NON_VOLATILE,
                           REGSAM samDesired = KEY_ALL_ACCESS,
                           LPSECURITY_ATTRIBUTES lpSecurityAttributes = nullptr) const;
    CRegistryKey CreateOrOpenKey(LPCSTR subKey, LPDWORD lpdwDisposition = nullptr, LPSTR lpClass = nullptr,
                                 DWORD dwOptions = REG_OPTION_NON_VOLATILE, REGSAM samDesired = KEY_ALL_ACCESS,
                                 LPSECURITY_ATTRIBUTES lpSecurityAttributes = nullptr) const;
    // Never raises.
    bool SubkeyExists(LPCSTR subKey, REGSAM samDesired = KEY_ALL_ACCESS) const;
    // DeleteKey refuses (ERROR_ACCESS_DENIED) a key that has subkeys.
    void DeleteKey(LPCSTR subKey) const;
    void DeleteKeyAndSubkeys(LPCSTR subKey) const;

    // -- Reading, writing and deleting values

    // Typed queries answer false for a value of another type and leave the
    // out argument untouched. Blocks are malloc'ed; the caller frees them.
    bool QueryValue(LPCSTR valueName, BYTE*& pData) const;     // REG_BINARY, REG_NONE
    bool QueryValue(LPCSTR valueName, LPSTR& pString) const;   // REG_SZ, REG_EXPAND_SZ; always terminated
    bool QueryValue(LPCSTR valueName, DWORD& value) const;     // REG_DWORD, REG_DWORD_BIG_ENDIAN; size must be 4
    Value QueryValue(LPCSTR valueName) const;                  // any type

    void SetValue(LPCSTR valueName, const BYTE* pData, DWORD dataLength) const;    // REG_BINARY
    void SetValue(LPCSTR valueName, LPCSTR pString, DWORD type = REG_SZ) const;    // REG_SZ, REG_EXPAND_SZ
    void SetValue(LPCSTR valueName, DWORD value, DWORD type = REG_DWORD) const;    // REG_DWORD, REG_DWORD_BIG_ENDIAN
    void SetValue(const Value& value) const;

    void DeleteValue(LPCSTR valueName) const;

    // -- Hive files, security and change notification

    void LoadKey(LPCSTR subKey, LPCSTR fileName) const;
    void UnLoadKey(LPCSTR subKey) const;
    void SaveKey(LPCSTR fileName, LPSECURITY_ATTRIBUTES lpSecurityAttributes = nullptr) const;
    void RestoreKey(LPCSTR fileName, DWORD restoreFlags = 0) const;
    void ReplaceKey(LPCSTR newFileName, LPCSTR oldFileName, LPCSTR subKey = nullptr) const;
    // The caller owns the descriptor and frees it with delete[] (as BYTE*).
    PSECURITY_DESCRIPTOR GetKeySecurity(SECURITY_INFORMATION securityInformation) const;
    void SetKeySecurity(SECURITY_INFORMATION securityInformation, PSECURITY_DESCRIPTOR pSecurityDescriptor) const;
    // Signals hEvent on the next change.
    void RegNotifyChangeKeyValue(HANDLE hEvent, bool watchSubtree = true,
                                 DWORD notifyFilter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET) const;
    // Returns only after the next change.
    void RegNotifyChangeKeyValue(bool watchSubtree = true,
                                 DWORD notifyFilter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET) const;

private:
    CCountedRegKey* m_pKey;
};

}  // namespace Quarnell
