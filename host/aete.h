// Reading a filter module's AETE resource: the scripting dictionary that the
// PiPL's 'hstm' names, through which a host that records actions learns the
// module's event and the name, key and type of each of its parameters.
//
// Portable and bounds-checked like the PiPL reader: a damaged resource yields
// an error, never a read past its end. Only what a filter's dictionary holds
// is read: one suite, one event, no classes (comparison operators and
// enumerations are counted, not read).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvo::host::aete {

struct Parameter {
    std::string name;
    uint32_t key = 0;
    uint32_t type = 0;  // 'long', 'doub', or a unit such as '#Pxl'
    std::string description;
    uint16_t flags = 0;
};

struct Dictionary {
    uint8_t majorVersion = 0;
    uint8_t minorVersion = 0;
    uint16_t language = 0;
    uint16_t script = 0;
    std::string suiteName;
    std::string suiteDescription;
    uint32_t suiteId = 0;
    uint16_t suiteCode = 0;
    uint16_t suiteLevel = 0;
    std::string eventName;
    std::string eventDescription;
    uint32_t eventClass = 0;
    uint32_t eventId = 0;
    uint32_t replyType = 0;
    uint16_t replyFlags = 0;
    uint32_t directType = 0;
    uint16_t directFlags = 0;
    std::vector<Parameter> parameters;
    size_t bytesRead = 0;  // where the dictionary ended in the resource
};

// Parses the resource bytes. On failure returns false and says why in *error.
bool ParseAete(const uint8_t* data, size_t size, Dictionary* dictionary, std::string* error);

}  // namespace kelvo::host::aete
