#pragma once
// Records every RegSetValueExA call this test program makes while an object
// lives, in call order, by redirecting the program's import of it. The call
// still reaches the registry, unless the test chose it to fail. The registry
// shows values sorted by name, so only the calls themselves tell the order
// and the length passed. The order of every write, flush and deletion is
// kept too.
#include <windows.h>

#include "tests/support/import_patch.h"

#include <string>
#include <vector>

struct SetValueCall {
    std::string name;
    DWORD type;
    DWORD length;       // as passed, not as stored
    std::string data;   // the bytes passed
    bool nullData;      // the data pointer was null
    LONG status;
};

class SetValueRecorder {
public:
    SetValueRecorder();
    ~SetValueRecorder();
    SetValueRecorder(const SetValueRecorder&) = delete;
    SetValueRecorder& operator=(const SetValueRecorder&) = delete;

    bool Installed() const { return m_patch.Installed(); }
    // The callNumber-th call from now on (1 for the next) returns status
    // without reaching the registry; it is recorded with that status.
    void FailCall(size_t callNumber, LONG status);
    const std::vector<SetValueCall>& Calls() const;
    std::string Describe() const;
    // "set NAME", "delete value NAME", "flush" and "delete key NAME", in call order.
    const std::vector<std::string>& Writes() const;

private:
    ImportPatch m_patch;
    ImportPatch m_deleteValuePatch;
    ImportPatch m_flushPatch;
    ImportPatch m_deleteKeyPatch;
};
