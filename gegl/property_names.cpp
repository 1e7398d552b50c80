#include "property_names.h"

namespace kelvo::gegl {

std::string PropertyName(const char* settingName) {
    std::string name;
    for (const char* p = settingName; *p != '\0'; ++p) {
        const char c = *p;
        if (c >= 'A' && c <= 'Z') {
            if (!name.empty()) name += '-';
            name += static_cast<char>(c - 'A' + 'a');
        } else {
            name += c;
        }
    }
    return name;
}

}  // namespace kelvo::gegl
