#include "app/command_line/command_line.h"

const char COMMAND_LINE_USAGE[] =
    "corvane.exe /set NAME=V [NAME=V ...]\n"
    "    writes those options (V is 0 or 1)\n"
    "corvane.exe /defaults\n"
    "    writes the five defaults\n"
    "corvane.exe /set NAME=V ... /run PROGRAM [ARGUMENTS]\n"
    "    writes those options, runs PROGRAM and waits for it,\n"
    "    then puts back what it changed (/defaults works here too)\n"
    "/quiet  no message boxes: the exit code tells\n"
    "/?  this text\n"
    "\n"
    "NAME: AntiAlias, Break, DitherInit, EnableKatmai, Palette\n"
    "Exit codes: 0 done, 1 bad command line, 2 driver not detected,\n"
    "3 registry failure, 4 PROGRAM could not be started,\n"
    "5 another Corvane's /run is still waiting; otherwise PROGRAM's own.";

namespace {

struct Token {
    std::string text;   // quotes taken off
    const char* start;  // where it begins in the line
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Quotes group blanks into a token and are dropped, as they are around a
// program's name on any command line.
bool NextToken(const char*& at, Token& token)
{
    while (IsBlank(*at))
        ++at;
    if (*at == '\0')
        return false;
    token.start = at;
    token.text.clear();
    bool quoted = false;
    for (; *at != '\0' && (quoted || !IsBlank(*at)); ++at) {
        if (*at == '"')
            quoted = !quoted;
        else
            token.text += *at;
    }
    return true;
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// ASCII only: the names and switches are, and the system's comparison
// would bring the user's locale into it.
bool SameIgnoringCase(const std::string& text, const char* name)
{
    size_t i = 0;
    for (; i < text.size() && name[i] != '\0'; ++i) {
        if (Lower(text[i]) != Lower(name[i]))
            return false;
    }
    return i == text.size() && name[i] == '\0';
}

int FindOption(const std::string& name)
{
    for (int i = 0; i < DRIVER_OPTION_COUNT; ++i) {
        if (SameIgnoringCase(name, g_driverOptions[i].valueName))
            return i;
    }
    return -1;
}

class Parser {
public:
    explicit Parser(const char* line) : m_at(line ? line : "") {}

    CommandRequest Parse()
    {
        Token token;
        while (NextToken(m_at, token)) {
            if (SameIgnoringCase(token.text, "/run")) {
                ReadProgram();
                break;
            }
            ReadToken(token.text);
        }
        if (!m_request.usage)
            CheckWhole();
        return m_request;
    }

private:
    void Fail(const std::string& text)
    {
        if (m_request.error.empty())
            m_request.error = text;
    }

    void ReadToken(const std::string& text)
    {
        if (SameIgnoringCase(text, "/quiet"))
            m_request.quiet = true;
        else if (SameIgnoringCase(text, "/?"))
            m_request.usage = true;
        else if (SameIgnoringCase(text, "/defaults"))
            m_request.defaults = true;
        else if (SameIgnoringCase(text, "/set"))
            m_set = true;
        else if (!text.empty() && text[0] == '/')
            Fail("Unknown switch: " + text);
        else if (!m_set)
            Fail("NAME=V belongs after /set: " + text);
        else
            ReadAssignment(text);
    }

    void ReadAssignment(const std::string& text)
    {
        size_t equals = text.find('=');
        if (equals == std::string::npos) {
            Fail("Not NAME=V: " + text);
            return;
        }
        std::string name = text.substr(0, equals);
        std::string value = text.substr(equals + 1);
        int option = FindOption(name);
        if (option < 0) {
            Fail("Unknown option name: " + name);
            return;
        }
        if (value != "0" && value != "1") {
            Fail("The value must be 0 or 1: " + text);
            return;
        }
        if (m_request.values[option] != OPTION_UNKNOWN) {
            Fail("Named twice: " + name);
            return;
        }
        m_request.values[option] = value == "1" ? 1 : 0;
        m_named = true;
    }

    void ReadProgram()
    {
        Token program;
        if (!NextToken(m_at, program) || program.text.empty()) {
            Fail("/run needs a program.");
            return;
        }
        m_request.run = true;
        m_request.program = program.text;
        m_request.programCommandLine = program.start;
    }

    void CheckWhole()
    {
        if (m_set && m_request.defaults)
            Fail("/set and /defaults cannot be used together.");
        else if (m_set && !m_named)
            Fail("/set needs at least one NAME=V.");
        else if (!m_set && !m_request.defaults)
            Fail(m_request.run ? "/run needs /set or /defaults before it."
                               : "Nothing to do: give /set, /defaults or /?.");
    }

    const char* m_at;
    CommandRequest m_request;
    bool m_set = false;
    bool m_named = false;
};

}  // namespace

bool IsCommandLineMode(const char* commandLine)
{
    if (commandLine == nullptr)
        return false;
    while (IsBlank(*commandLine))
        ++commandLine;
    return *commandLine == '/';
}

CommandRequest ParseCommandLine(const char* commandLine)
{
    return Parser(commandLine).Parse();
}
