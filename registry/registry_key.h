#pragma once
/// @file
/// The registry library: CRegistryKey, a registry key with value semantics
/// whose handle is shared and counted, typed value access, iterators over
/// subkeys and values, key maintenance, and the exceptions that carry the
/// Win32 status.
///
/// Every failure of the registry is raised as an exception by value; only
/// predicates (the typed QueryValue overloads, SubkeyExists) answer with a
/// result instead. Running out of memory raises std::bad_alloc, except where
/// a member says it raises ERROR_NOT_ENOUGH_MEMORY. Strings are 8-bit ANSI.
#include <windows.h>

#include <memory>

// The iterators keep their entries in these.
#include "registry/expandable_buffer.h"

/// The registry library.
namespace Quarnell {

// ---------------------------------------------------------------------------
// Exceptions and error text

/// The system's message text for a Win32 error code, its inserts (%1) left
/// as they stand. The text lives in one static buffer of the process and
/// stays valid until the next call anywhere; it is cut at 511 characters.
/// When the system has no text for the code, the text of the lookup's own
/// failure is used if it holds no insert; otherwise "Unknown error 0x%08lX"
/// names the code. Never raises.
LPCSTR FormatErrorMessage(DWORD code);

/// A failed Win32 call: where it failed and the status it gave. A small
/// value that allocates nothing.
class CWin32Exception {
public:
    /// where must have static lifetime (a literal): only the pointer is kept.
    CWin32Exception(LPCSTR where, DWORD error) : m_pWhere(where), m_error(error) {}

    /// The system's text for the status, as FormatErrorMessage gives it: it
    /// is valid until the next text is formed anywhere in the process.
    virtual LPCSTR GetErrorMessage() const;

    /// The operation that failed, such as "CRegistryKey::QueryValue()".
    LPCSTR GetWhere() const { return m_pWhere; }
    /// The Win32 status, such as ERROR_FILE_NOT_FOUND.
    DWORD GetError() const { return m_error; }
    /// A modal message box owned by hWnd (may be null), with the stop icon:
    /// the message text as its body, the where-string as its caption.
    void ShowMessageBox(HWND hWnd) const;

private:
    LPCSTR m_pWhere;
    DWORD m_error;
};

// ---------------------------------------------------------------------------
// Counted key handle

/// A handle shared by several holders: the last holder to let go closes it.
/// The count changes with interlocked operations, so holders may live on
/// different threads.
class CCountedHandle {
public:
    /// Closes the handle; called once, by the last Release.
    virtual void Close() = 0;
    virtual ~CCountedHandle();

    /// Adds a holder and returns this object.
    CCountedHandle* AddRef();
    /// Drops one holder; the last one closes the handle and frees the object.
    /// Always returns null, so that holders can write p = p->Release().
    CCountedHandle* Release();
    /// The shared handle; holders must not close it themselves.
    const HKEY& GetHandle() const { return m_handle; }

protected:
    /// Takes the handle with one holder, the caller.
    explicit CCountedHandle(HKEY handle) : m_handle(handle), m_refCount(1) {}

private:
    CCountedHandle(const CCountedHandle&) = delete;
    CCountedHandle& operator=(const CCountedHandle&) = delete;

    const HKEY m_handle;
    volatile LONG m_refCount;
};

/// The counted handle of an open registry key, closed with RegCloseKey.
class CCountedRegKey : public CCountedHandle {
public:
    /// Closes the key with RegCloseKey.
    void Close() override;

    /// Adds a holder and returns this object.
    CCountedRegKey* AddRef() { CCountedHandle::AddRef(); return this; }
    /// Drops one holder; always returns null.
    CCountedRegKey* Release() { CCountedHandle::Release(); return nullptr; }

private:
    friend class CRegistryKey;
    explicit CCountedRegKey(HKEY hKey) : CCountedHandle(hKey) {}
};

// ---------------------------------------------------------------------------
// The key

/// An open registry key with value semantics. Copies share one counted
/// handle and the last copy to go closes it, so a key is passed and returned
/// by value. Every failure raises CRegistryKey::Exception naming the
/// operation and carrying the Win32 status.
class CRegistryKey {
public:
    /// What every failure of the registry raises.
    class Exception : public CWin32Exception {
    public:
        /// where must have static lifetime: only the pointer is kept.
        Exception(LPCSTR where, DWORD error) : CWin32Exception(where, error) {}
    };

    /// A value held in memory, with its own copies of name and data.
    class Value {
    public:
        /// Raised (with ERROR_INVALID_PARAMETER) when a Value is built or
        /// read as a type it does not hold.
        class Exception : public CRegistryKey::Exception {
        public:
            /// Where-string "CRegistryKey::Value::Exception", ERROR_INVALID_PARAMETER.
            Exception() : CRegistryKey::Exception("CRegistryKey::Value::Exception", ERROR_INVALID_PARAMETER) {}
        };

        /// Any type: copies dataLength bytes of pData (which may be null when
        /// dataLength is 0). A block too large for a DWORD raises
        /// ERROR_NOT_ENOUGH_MEMORY.
        Value(LPCSTR valueName, const BYTE* pData, DWORD dataLength, DWORD type);
        /// REG_SZ or REG_EXPAND_SZ: stores the string with its terminator.
        /// Another type, or a null string, raises Value::Exception.
        Value(LPCSTR valueName, LPCSTR pString, DWORD type);
        /// REG_DWORD or REG_DWORD_BIG_ENDIAN: stores the 4 bytes as they lie in
        /// memory. Another type raises Value::Exception.
        Value(LPCSTR valueName, DWORD value, DWORD type);
        /// Copies name, data and type.
        Value(const Value& other);
        /// Copies name, data and type; on failure this value stays as it was.
        Value& operator=(const Value& other);

        /// The data of a REG_BINARY or REG_NONE value, owned by this value;
        /// another type raises Value::Exception.
        operator const BYTE*() const;
        /// The text of a REG_SZ or REG_EXPAND_SZ value, owned by this value and
        /// always terminated, even when the stored data was not; another type
        /// raises Value::Exception.
        operator LPCSTR() const;
        /// A REG_DWORD or REG_DWORD_BIG_ENDIAN value: the first 4 bytes,
        /// little-endian; another type raises Value::Exception.
        operator DWORD() const;

        /// The value's name, owned by this value ("" for a key's default value).
        LPCSTR GetName() const { return m_name.get(); }
        /// The display text: strings up to their first zero, "A number" for
        /// the DWORD types, the bytes in hexadecimal for every other type.
        /// Owned by this value: built on first use, kept until the value is
        /// assigned or destroyed.
        LPCSTR AsString() const;

        /// The registry type, such as REG_SZ.
        DWORD GetType() const { return m_type; }
        /// The length of the data in bytes.
        DWORD GetLength() const { return m_length; }
        /// The data exactly as stored, whatever the type: GetLength() bytes,
        /// owned by this value (may be null when there are none).
        const BYTE* GetData() const { return m_data.get(); }

    private:
        friend class CRegistryKey;

        std::unique_ptr<char[]> m_name;
        DWORD m_type;
        std::unique_ptr<BYTE[]> m_data;
        DWORD m_length;
        mutable std::unique_ptr<char[]> m_text;
    };

    // -- Walking subkeys and values

    /// What both iterators share: one reference on the walked key while
    /// positioned, and the index of the next entry. An end iterator holds no
    /// key (null key, index 0), so all end iterators compare equal.
    class IteratorBase {
    public:
        /// Adds a holder to pKey; a null key gives the end iterator.
        explicit IteratorBase(CCountedRegKey* pKey);
        /// Shares the other's key and position.
        IteratorBase(const IteratorBase& other);
        /// Shares the other's key and position, letting go of its own.
        IteratorBase& operator=(const IteratorBase& other);
        /// Lets go of the key.
        virtual ~IteratorBase();

        /// Same key and same position.
        bool operator==(const IteratorBase& other) const { return m_pKey == other.m_pKey && m_index == other.m_index; }
        /// Another key or another position.
        bool operator!=(const IteratorBase& other) const { return !(*this == other); }

    protected:
        /// The walked key's handle; only while positioned.
        HKEY KeyHandle() const { return m_pKey->GetHandle(); }
        /// Lets go of the key and becomes the end iterator.
        void ReachEnd();
        /// Exchanges key reference and position; cannot fail.
        void SwapPosition(IteratorBase& other) noexcept;

        /// The walked key, or null at the end.
        CCountedRegKey* m_pKey;
        /// Index of the next entry to read; the buffers hold the one before.
        DWORD m_index;
    };

    /// Stepping shared by both iterators; Derived supplies ReadEntry(), which
    /// reads the entry at m_index and tells whether there was one.
    template <class Derived>
    class SteppingIterator : public IteratorBase {
    public:
        /// Reads the next entry, or becomes the end iterator when there is
        /// none. A failing read raises the derived iterator's where-string;
        /// the end iterator stays the end.
        Derived& operator++();

    protected:
        /// Positioned before the first entry of pKey (null: the end).
        explicit SteppingIterator(CCountedRegKey* pKey) : IteratorBase(pKey) {}
    };

    /// Walks a key's subkeys in the order the system enumerates them; a
    /// subkey added or removed during the walk may be missed or seen twice.
    class SubkeyIterator : public SteppingIterator<SubkeyIterator> {
    public:
        /// Reads the first subkey of pKey, or is the end iterator when it has
        /// none; a null key gives the end iterator. A failing read raises
        /// "CRegistryKey::SubkeyIterator::SubkeyIterator()".
        explicit SubkeyIterator(CCountedRegKey* pKey);

        /// The subkey's name, owned by the iterator and valid until the next
        /// step; "" before any entry was read.
        LPCSTR GetName() const { return m_name.Get() ? m_name.Get() : ""; }
        /// The subkey's class, as GetName.
        LPCSTR GetClass() const { return m_class.Get() ? m_class.Get() : ""; }
        /// Opens the current subkey. At the end there is none: raises
        /// ERROR_NO_MORE_ITEMS with "CRegistryKey::SubkeyIterator::OpenKey()".
        CRegistryKey OpenKey(REGSAM samDesired = KEY_ALL_ACCESS) const;

    private:
        friend class SteppingIterator<SubkeyIterator>;
        bool ReadEntry() { return GetSubkeyInfo(); }
        bool GetSubkeyInfo();

        ExpandableBuffer<char> m_name;
        ExpandableBuffer<char> m_class;
    };

    /// Walks a key's values; its buffers grow to the largest entry and are
    /// reused, so a walk allocates only when an entry is larger than every
    /// one before it.
    class ValueIterator : public SteppingIterator<ValueIterator> {
    public:
        /// Reads the first value of pKey, or is the end iterator when it has
        /// none; a null key gives the end iterator. A failing read raises
        /// "CRegistryKey::ValueIterator::ValueIterator()".
        explicit ValueIterator(CCountedRegKey* pKey);
        /// Copies own their display text; it is built again on demand.
        ValueIterator(const ValueIterator& other);
        /// All or nothing: a copy that fails leaves this iterator as it was.
        ValueIterator& operator=(const ValueIterator& other);

        /// The value's name, owned by the iterator and valid until the next
        /// step; "" before any entry was read.
        LPCSTR GetName() const { return m_name.Get() ? m_name.Get() : ""; }
        /// The display text of the current value, as Value::AsString forms
        /// it; owned by the iterator and valid until the next step or the
        /// iterator's end.
        LPCSTR AsString() const;
        /// A copy of the current value, with its own name and data.
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

    /// Positioned on the first subkey (the end when there is none).
    SubkeyIterator BeginSubkeyIteration() const;
    /// The end of any subkey walk.
    SubkeyIterator EndSubkeyIteration() const;
    /// Positioned on the first value (the end when there is none).
    ValueIterator BeginValueIteration() const;
    /// The end of any value walk.
    ValueIterator EndValueIteration() const;

    // -- Making, copying and sharing a key

    /// Takes ownership of an open key: the last copy closes it. When no
    /// counted handle can be made, closes hKey and raises
    /// ERROR_NOT_ENOUGH_MEMORY.
    explicit CRegistryKey(HKEY hKey);
    /// Connects to a predefined key (HKEY_LOCAL_MACHINE, HKEY_USERS) of another
    /// machine ("\\\\name"); raises the connection's status.
    CRegistryKey(LPCSTR machineName, HKEY hKey);
    /// Opens subKey under hKey, on machineName when it is not null; raises
    /// the open's status (ERROR_FILE_NOT_FOUND for a missing key,
    /// ERROR_ACCESS_DENIED for refused access).
    CRegistryKey(HKEY hKey, LPCSTR subKey, REGSAM samDesired = KEY_ALL_ACCESS, LPCSTR machineName = nullptr);
    /// Shares the other's handle.
    CRegistryKey(const CRegistryKey& other);
    /// Lets go of the handle; the last holder closes it.
    ~CRegistryKey();
    /// Shares the other's handle, letting go of its own.
    CRegistryKey& operator=(const CRegistryKey& other);
    /// Takes ownership of hKey; the previous key closes if this was its last
    /// holder. The handle this key already holds changes nothing.
    CRegistryKey& operator=(HKEY hKey);
    /// A counted handle with one holder, the caller. On failure closes hKey
    /// when asked to and raises ERROR_NOT_ENOUGH_MEMORY.
    static CCountedRegKey* NewCCountedRegKey(HKEY hKey, bool closeKeyOnFailure);
    /// The shared handle; the caller must not close it.
    operator HKEY() const { return m_pKey->GetHandle(); }
    /// This key, which must be a predefined key, on another machine.
    CRegistryKey ConnectRegistry(LPCSTR machineName) const;
    /// Writes the key's hive to the disk before it returns.
    void FlushKey() const;

    // -- Opening, creating and deleting subkeys

    /// Opens an existing subkey; raises ERROR_FILE_NOT_FOUND when it is missing.
    CRegistryKey OpenKey(LPCSTR subKey, REGSAM samDesired = KEY_ALL_ACCESS) const;
    /// Creates a new subkey; raises ERROR_ALREADY_EXISTS (with no key left
    /// open) when it existed already.
    CRegistryKey CreateKey(LPCSTR subKey, LPSTR lpClass = nullptr, DWORD dwOptions = REG_OPTION_NON_VOLATILE,
                           REGSAM samDesired = KEY_ALL_ACCESS,
                           LPSECURITY_ATTRIBUTES lpSecurityAttributes = nullptr) const;
    /// Opens the subkey, creating it when it is missing; lpdwDisposition
    /// receives REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY.
    CRegistryKey CreateOrOpenKey(LPCSTR subKey, LPDWORD lpdwDisposition = nullptr, LPSTR lpClass = nullptr,
                                 DWORD dwOptions = REG_OPTION_NON_VOLATILE, REGSAM samDesired = KEY_ALL_ACCESS,
                                 LPSECURITY_ATTRIBUTES lpSecurityAttributes = nullptr) const;
    /// Whether the subkey opens with samDesired; false for any failure.
    /// Never raises.
    bool SubkeyExists(LPCSTR subKey, REGSAM samDesired = KEY_ALL_ACCESS) const;
    /// Deletes a subkey that has no subkeys of its own; one that has, or a
    /// registry link, is refused with ERROR_ACCESS_DENIED. Both deletions
    /// need only the rights they use: KEY_QUERY_VALUE and
    /// KEY_ENUMERATE_SUB_KEYS on each key they look into, and DELETE on each
    /// key they delete.
    void DeleteKey(LPCSTR subKey) const;
    /// Deletes a subkey and everything below it. A tree holding a registry
    /// link is refused before anything is deleted, with
    /// "CRegistryKey::DeleteKey() - registry link" and ERROR_ACCESS_DENIED. A
    /// failure part of the way keeps what is not deleted yet.
    void DeleteKeyAndSubkeys(LPCSTR subKey) const;

    // -- Reading, writing and deleting values

    /// A REG_BINARY or REG_NONE value's data, in a block that the caller
    /// frees with free(). False, with pData untouched, for another type;
    /// raises when the value cannot be read (ERROR_FILE_NOT_FOUND when it is
    /// missing).
    bool QueryValue(LPCSTR valueName, BYTE*& pData) const;
    /// A REG_SZ or REG_EXPAND_SZ value's text, always terminated, in a block
    /// that the caller frees with free(). False, with pString untouched, for
    /// another type; raises as the other queries.
    bool QueryValue(LPCSTR valueName, LPSTR& pString) const;
    /// A REG_DWORD or REG_DWORD_BIG_ENDIAN value. False, with value untouched,
    /// for another type; data of another size than 4 raises ERROR_INVALID_DATA.
    bool QueryValue(LPCSTR valueName, DWORD& value) const;
    /// A value of any type, as an owned copy.
    Value QueryValue(LPCSTR valueName) const;

    /// Writes REG_BINARY data; a null pData with a nonzero length raises
    /// ERROR_INVALID_PARAMETER.
    void SetValue(LPCSTR valueName, const BYTE* pData, DWORD dataLength) const;
    /// Writes a string with its terminator as REG_SZ or REG_EXPAND_SZ; another
    /// type raises ERROR_INVALID_FLAGS, a null string ERROR_INVALID_PARAMETER.
    void SetValue(LPCSTR valueName, LPCSTR pString, DWORD type = REG_SZ) const;
    /// Writes REG_DWORD or REG_DWORD_BIG_ENDIAN; another type raises
    /// ERROR_INVALID_FLAGS.
    void SetValue(LPCSTR valueName, DWORD value, DWORD type = REG_DWORD) const;
    /// Writes the value's type and bytes exactly, under its name.
    void SetValue(const Value& value) const;

    /// Deletes a value; raises ERROR_FILE_NOT_FOUND when it is missing.
    void DeleteValue(LPCSTR valueName) const;

    // -- Hive files, security and change notification

    /// Loads a hive file as subKey of this key (HKEY_USERS or
    /// HKEY_LOCAL_MACHINE); on Windows NT the caller needs SE_RESTORE_NAME.
    void LoadKey(LPCSTR subKey, LPCSTR fileName) const;
    /// Unloads a hive that LoadKey loaded.
    void UnLoadKey(LPCSTR subKey) const;
    /// Saves this key and everything below it to a new hive file; on Windows
    /// NT the caller needs SE_BACKUP_NAME, and an existing file raises
    /// ERROR_ALREADY_EXISTS.
    void SaveKey(LPCSTR fileName, LPSECURITY_ATTRIBUTES lpSecurityAttributes = nullptr) const;
    /// Copies a hive file over this key and everything below it; the caller
    /// needs SE_RESTORE_NAME.
    void RestoreKey(LPCSTR fileName, DWORD restoreFlags = 0) const;
    /// Makes the system use newFileName for the hive at subKey from the next
    /// start, keeping the current file as oldFileName.
    void ReplaceKey(LPCSTR newFileName, LPCSTR oldFileName, LPCSTR subKey = nullptr) const;
    /// A copy of the key's security descriptor (self-relative), which the
    /// caller owns and frees with delete[] (as BYTE*). Windows NT only.
    PSECURITY_DESCRIPTOR GetKeySecurity(SECURITY_INFORMATION securityInformation) const;
    /// Sets parts of the key's security descriptor. Windows NT only.
    void SetKeySecurity(SECURITY_INFORMATION securityInformation, PSECURITY_DESCRIPTOR pSecurityDescriptor) const;
    /// Signals hEvent on the next change, and returns at once. Windows 98 and
    /// NT; not for a key of another machine.
    void RegNotifyChangeKeyValue(HANDLE hEvent, bool watchSubtree = true,
                                 DWORD notifyFilter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET) const;
    /// Returns only after the next change.
    void RegNotifyChangeKeyValue(bool watchSubtree = true,
                                 DWORD notifyFilter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET) const;

private:
    CCountedRegKey* m_pKey;
};

}  // namespace Quarnell
