// The text form of a dialog script (kelvo-host --dialog-script), turned into
// a list of DialogDriver actions. Settings are named as in the modules'
// settings tables, so a script reads "set positionX=470" as well as "set 113=470".
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "flare_parameters.h"
#include "glow_parameters.h"
#include "host_dialog.h"
#include "nearest_name.h"

namespace kelvo::host {
namespace {

using Action = std::function<void(DialogDriver&)>;

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return {};
    const size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

// A control id, or a setting's edit (spin = false) or spin bar (spin = true).
bool ControlId(const std::string& name, bool spin, int* id) {
    char* end = nullptr;
    const long v = std::strtol(name.c_str(), &end, 10);
    if (!name.empty() && *end == '\0') {
        *id = static_cast<int>(v);
        return true;
    }
    for (const SettingsTable* table : {&flare::kFlareSettings, &glow::kGlowSettings}) {
        if (const SettingField* f = FindSetting(*table, name.c_str())) {
            *id = spin ? f->spinId : f->editId;
            return true;
        }
    }
    return false;
}

// The buttons a click may name besides numeric ids.
struct NamedButton {
    const char* name;
    int id;
};
constexpr NamedButton kButtons[] = {
    {"ok", IDOK}, {"cancel", IDCANCEL}, {"load", flare::kLoadSettingsButton}, {"save", flare::kSaveSettingsButton}};

bool ButtonId(const std::string& name, int* id) {
    for (const NamedButton& b : kButtons) {
        if (name == b.name) {
            *id = b.id;
            return true;
        }
    }
    return ControlId(name, false, id);
}

// The message for a name that is neither a control id nor a setting (nor,
// for a click, a button), with the nearest known name when one is close.
std::string UnknownName(const std::string& name, bool buttons, const std::string& step) {
    std::vector<const char*> names;
    for (const SettingsTable* table : {&flare::kFlareSettings, &glow::kGlowSettings})
        for (int i = 0; i < table->count; ++i) names.push_back(table->fields[i].name);
    if (buttons)
        for (const NamedButton& b : kButtons) names.push_back(b.name);
    std::string message = "unknown " + std::string(buttons ? "control" : "field") + " \"" + name + "\"";
    if (const char* nearest = kelvo::NearestName(name.c_str(), names.data(), static_cast<int>(names.size())))
        message += " (did you mean " + std::string(nearest) + "?)";
    return message + ": " + step;
}

bool Count(const std::string& text, int* n) {
    if (text.empty()) {
        *n = 1;
        return true;
    }
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < 1 || v > 1000) return false;
    *n = static_cast<int>(v);
    return true;
}

// "set FIELD=TEXT": replaces the field's text.
bool ParseSet(const std::string& arg, const std::string& step, Action* action, std::string* error) {
    const size_t eq = arg.find('=');
    if (eq == std::string::npos) {
        *error = "set takes FIELD=TEXT: " + step;
        return false;
    }
    const std::string field = Trim(arg.substr(0, eq));
    int id = 0;
    if (!ControlId(field, false, &id)) {
        *error = UnknownName(field, false, step);
        return false;
    }
    const std::wstring text = Wide(arg.substr(eq + 1));
    *action = [id, text](DialogDriver& d) { d.Replace(id, text); };
    return true;
}

bool ParseClick(const std::string& word, const std::string& step, Action* action, std::string* error) {
    int id = 0;
    if (!ButtonId(word, &id)) {
        *error = UnknownName(word, true, step);
        return false;
    }
    *action = [id](DialogDriver& d) { d.Click(id); };
    return true;
}

// "spin-up FIELD [N]" and "spin-down FIELD [N]".
bool ParseSpin(const std::string& verb, const std::string& word, const std::string& step, Action* action,
               std::string* error) {
    std::istringstream in(word);
    std::string target, times;
    in >> target >> times;
    int id = 0, n = 0;
    if (!target.empty() && !ControlId(target, true, &id)) {
        *error = UnknownName(target, false, step);
        return false;
    }
    if (target.empty() || !Count(times, &n)) {
        *error = verb + " takes a spin bar or a setting and a count: " + step;
        return false;
    }
    if (verb == "spin-up")
        *action = [id, n](DialogDriver& d) { d.SpinUp(id, n); };
    else
        *action = [id, n](DialogDriver& d) { d.SpinDown(id, n); };
    return true;
}

// The actions a verb names alone: keys pressed and buttons clicked.
struct VerbOnlyAction {
    const char* verb;
    void (*press)(DialogDriver&);
};
const VerbOnlyAction kVerbOnlyActions[] = {
    {"tab", [](DialogDriver& d) { d.Tab(); }},
    {"shift-tab", [](DialogDriver& d) { d.ShiftTab(); }},
    {"enter", [](DialogDriver& d) { d.Enter(); }},
    {"escape", [](DialogDriver& d) { d.Escape(); }},
    {"ok", [](DialogDriver& d) { d.Click(IDOK); }},
    {"cancel", [](DialogDriver& d) { d.Click(IDCANCEL); }},
};

Action CaptureAction(const std::string& path) {
    return [path](DialogDriver& d) {
        Image image;
        std::string why;
        if (!d.Capture(&image))
            d.Problem("cannot capture the dialog");
        else if (!WriteImage(path, image, &why))
            d.Problem(why);
    };
}

// The actions that name no control: keys, buttons, typing, files and
// pauses. False for another verb, or an argument the verb does not take.
bool ParsePlainAction(const std::string& verb, const std::string& arg, const std::string& word, Action* action) {
    int n = 0;
    if (word.empty()) {
        for (const VerbOnlyAction& key : kVerbOnlyActions) {
            if (verb != key.verb) continue;
            *action = key.press;
            return true;
        }
    }
    if (verb == "type") {
        const std::wstring text = Wide(arg);
        *action = [text](DialogDriver& d) { d.Type(text); };
    } else if (verb == "backspace" && Count(word, &n)) {
        *action = [n](DialogDriver& d) { d.Backspace(n); };
    } else if ((verb == "load" || verb == "save") && !word.empty()) {
        const int button = verb == "load" ? flare::kLoadSettingsButton : flare::kSaveSettingsButton;
        const std::wstring path = Wide(word);
        *action = [button, path](DialogDriver& d) {
            d.Click(button);
            d.AnswerFileDialog(path);
        };
    } else if (verb == "capture" && !word.empty()) {
        *action = CaptureAction(word);
    } else if (verb == "wait" && Count(word, &n)) {
        *action = [n](DialogDriver& d) { d.Pause(static_cast<DWORD>(n)); };
    } else {
        return false;
    }
    return true;
}

bool ParseAction(const std::string& step, Action* action, std::string* error) {
    const size_t space = step.find(' ');
    const std::string verb = step.substr(0, space);
    // The argument keeps inner blanks: "type  12" types " 12".
    const std::string arg = space == std::string::npos ? std::string() : step.substr(space + 1);
    const std::string word = Trim(arg);
    if (verb == "set") return ParseSet(arg, step, action, error);
    if (verb == "click" && !word.empty()) return ParseClick(word, step, action, error);
    if (verb == "spin-up" || verb == "spin-down") return ParseSpin(verb, word, step, action, error);
    if (ParsePlainAction(verb, arg, word, action)) return true;
    *error = "unknown dialog action: " + step;
    return false;
}

}  // namespace

bool ParseDialogScript(const std::string& text, DialogScript* script, std::string* error) {
    std::vector<Action> actions;
    std::string step;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != ';' && text[i] != '\n') {
            step += text[i];
            continue;
        }
        // Leading blanks go; trailing ones stay for "type" ("type 12 " types "12 ").
        const size_t first = step.find_first_not_of(" \t\r");
        if (first != std::string::npos) {
            Action action;
            std::string s = step.substr(first);
            if (!s.empty() && s.back() == '\r') s.pop_back();
            if (!ParseAction(s, &action, error)) return false;
            actions.push_back(std::move(action));
        }
        step.clear();
    }
    auto list = std::make_shared<std::vector<Action>>(std::move(actions));
    *script = [list](DialogDriver& d) {
        for (const Action& a : *list) {
            if (!d.Open()) break;
            a(d);
        }
    };
    return true;
}

}  // namespace kelvo::host
