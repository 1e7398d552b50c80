// kelvo-host.exe: runs a filter module on an image file the way an editor does,
// prints what the module did, and writes the result.
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "aete.h"
#include "host.h"
#include "host_dialog.h"
#include "open_file.h"

#include <shellapi.h>

namespace kelvo::host {
namespace {

const char kUsage[] =
    "usage: kelvo-host.exe <module.8bf> <in.png|ppm> <out.png|ppm> [options]\n"
    "  --settings FILE          load a Lens Flare settings file (.lns) into the settings record\n"
    "  --dialog ok|cancel       answer the module's dialog (default ok)\n"
    "  --dialog-script TEXT     operate the dialog with real input, actions separated by ';':\n"
    "                           set FIELD=TEXT, type TEXT, click ID, spin-up FIELD [N],\n"
    "                           spin-down FIELD [N], tab, shift-tab, enter, escape,\n"
    "                           backspace [N], load PATH, save PATH, capture FILE.png,\n"
    "                           wait MS, ok, cancel (FIELD: a control id or a setting's name;\n"
    "                           ID: a control id, a setting's name, ok, cancel, load or save)\n"
    "  --dialog-script-file F   the same, read from a file (one action a line)\n"
    "  --about                  show the about box first\n"
    "  --repeat                 no parameters call: a repeat of the last filter\n"
    "  --runs N                 run N times; runs after the first are repeats\n"
    "  --no-advance-state       offer no advanceState\n"
    "  --no-display-pixels      offer no displayPixels\n"
    "  --fail-advance N[:CODE]  the N-th advanceState of a run fails with CODE (default -108)\n"
    "  --null-buffers N         the N-th advanceState answers 0 with null buffers (-1: every one)\n"
    "  --abort-after N          abortProc answers true after N progress calls (0: from the start)\n"
    "  --mask T,L,B,R           a selection with a mask; maskRect pre-set to T,L,B,R\n"
    "  --floating               the selection is floating\n"
    "  --planes N               convert the image to N planes\n"
    "  --mode M                 image mode (default from the plane count)\n"
    "  --transparency           the last plane is transparency\n"
    "  --depth D                a deep document: 16 (samples 0..32768) or 32 (linear float);\n"
    "                           the output file holds it reduced to 8 bits\n"
    "  --depth-zero             leave the record's depth 0, as an old host does\n"
    "  --filter-rect T,L,B,R    filter rectangle (default the whole image)\n"
    "  --row-slack N            N guard bytes after every delivered row\n"
    "  --output-fill B          output buffers start as byte B instead of the image\n"
    "  --no-padding             ignore the padding the module asks for\n"
    "  --clamp                  clamp requests to the image\n"
    "  --drop-data              keep no data slot between runs\n"
    "  --drop-parameters        keep no settings record between runs\n"
    "  --remember-dir DIR       the module's %LOCALAPPDATA%: it remembers the last OK'd\n"
    "                           settings in DIR\\Kelvo (default: none, nothing is remembered)\n"
    "  --continue-after-failure call continue and finish after a failing selector\n"
    "  --continue-cap N         continue calls before the module counts as looping (default 64)\n"
    "  --show-window            show the host window\n"
    "  --actions                play a host that records actions: print the descriptor the\n"
    "                           module records at finish\n"
    "  --record FILE            the same, and write that descriptor to FILE\n"
    "  --play FILE              play a recorded descriptor (one value a line: KEY long N,\n"
    "                           KEY doub X or KEY UntF UNIT X) with the dialog closed\n"
    "  --play-dialog FILE       the same with the dialog shown\n";

std::string SelectorName(int16_t s) {
    static const char* names[] = {"about", "parameters", "prepare", "start", "continue", "finish"};
    if (s >= 0 && s <= 5) return names[s];
    return "selector " + std::to_string(s);
}

bool ParseRect(const std::string& text, Rect* r) {
    int t, l, b, rt;
    if (std::sscanf(text.c_str(), "%d,%d,%d,%d", &t, &l, &b, &rt) != 4) return false;
    *r = Rect{static_cast<int16_t>(t), static_cast<int16_t>(l), static_cast<int16_t>(b), static_cast<int16_t>(rt)};
    return true;
}

bool ParseInt(const std::string& text, int* value) {
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0') return false;
    *value = static_cast<int>(v);
    return true;
}

void PrintPipl(const host::HostModule& m) {
    const pipl::PiplInfo& p = m.pipl;
    std::printf("module:   %s\n", host::Narrow(m.path).c_str());
    std::printf("kind:     '%s'\n", pipl::FourCCText(p.kind).c_str());
    std::printf("name:     \"%s\"\n", p.name.c_str());
    std::printf("category: \"%s\"\n", p.category.c_str());
    std::printf("version:  %u.%u\n", p.version >> 16, p.version & 0xFFFF);
    std::printf("entry:    %s (wx86 \"%s\", 8664 \"%s\")\n", pipl::EntryForThisArchitecture(p).c_str(),
                p.entryWin32.c_str(), p.entryX64.c_str());
    std::printf("modes:   ");
    for (int mode = 0; mode < 32; ++mode)
        if (pipl::AcceptsMode(p, mode)) std::printf(" %d", mode);
    std::printf("\nenable:   %s", p.enable.empty() ? "(none)" : p.enable.c_str());
    std::printf("\nfilter cases:");
    for (const pipl::FilterCase& fc : p.filterCases)
        std::printf(" [%d %d %d %d]", fc.inputHandling, fc.outputHandling, fc.flags1, fc.flags2);
    std::printf("\nimports answered by the host: %d\n", m.patchedImports);
}

std::string DescriptorText(const host::Descriptor& descriptor) {
    std::string text;
    char line[96];
    for (const host::DescriptorItem& item : descriptor) {
        const std::string key = pipl::FourCCText(item.key), type = pipl::FourCCText(item.type);
        if (item.type == typeInteger)
            std::snprintf(line, sizeof line, "%s long %d\n", key.c_str(), static_cast<int>(item.integer));
        else if (item.type == typeUnitFloat)
            std::snprintf(line, sizeof line, "%s UntF %s %.17g\n", key.c_str(), pipl::FourCCText(item.unit).c_str(),
                          item.number);
        else
            std::snprintf(line, sizeof line, "%s %s %.17g\n", key.c_str(), type.c_str(), item.number);
        text += line;
    }
    return text;
}

uint32_t CodeOf(const std::string& text) {
    uint32_t code = 0;
    for (size_t i = 0; i < 4; ++i) code = (code << 8) | static_cast<uint8_t>(i < text.size() ? text[i] : ' ');
    return code;
}

// Reads DescriptorText's lines; anything else is refused with the line's number.
bool ParseDescriptor(const std::string& text, host::Descriptor* descriptor, std::string* error) {
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        std::istringstream words(line);
        std::string key, type, unit;
        if (!(words >> key)) continue;
        host::DescriptorItem item;
        item.key = CodeOf(key);
        bool ok = key.size() == 4 && static_cast<bool>(words >> type) && type.size() == 4;
        item.type = CodeOf(type);
        if (ok && item.type == typeInteger) {
            ok = static_cast<bool>(words >> item.integer);
        } else if (ok) {
            if (item.type == typeUnitFloat) {
                ok = static_cast<bool>(words >> unit) && unit.size() == 4;
                item.unit = CodeOf(unit);
            }
            std::string number;
            ok = ok && static_cast<bool>(words >> number);
            if (ok) item.number = std::strtod(number.c_str(), nullptr);  // "nan" and "inf" too
        }
        if (!ok) {
            *error = "descriptor line " + std::to_string(number) + ": " + line;
            return false;
        }
        descriptor->push_back(item);
    }
    return true;
}

void PrintScripting(const host::HostModule& m) {
    const pipl::PiplInfo& p = m.pipl;
    const char* smart = !p.hasFilterLayers ? "no 'flly'" : (p.filterLayers ? "yes ('flly')" : "no ('flly' clear)");
    std::printf("smart filter: %s\n", smart);
    if (!p.hasTerminology) {
        std::printf("actions:  no 'hstm'\n");
        return;
    }
    const pipl::Terminology& t = p.terminology;
    std::printf("actions:  'hstm' version %u, class '%s', event '%s', AETE %d, scope \"%s\"\n", t.version,
                pipl::FourCCText(t.classId).c_str(), pipl::FourCCText(t.eventId).c_str(), t.aeteId, t.scope.c_str());
    aete::Dictionary d;
    std::string why;
    if (m.aeteBytes.empty()) {
        std::printf("  no AETE resource %d\n", t.aeteId);
    } else if (!aete::ParseAete(m.aeteBytes.data(), m.aeteBytes.size(), &d, &why)) {
        std::printf("  AETE %d: %s\n", t.aeteId, why.c_str());
    } else {
        std::printf("  AETE %u.%u, suite \"%s\" '%s', event \"%s\" '%s' '%s', %zu parameters:\n", d.majorVersion,
                    d.minorVersion, d.suiteName.c_str(), pipl::FourCCText(d.suiteId).c_str(), d.eventName.c_str(),
                    pipl::FourCCText(d.eventClass).c_str(), pipl::FourCCText(d.eventId).c_str(), d.parameters.size());
        for (const aete::Parameter& prm : d.parameters)
            std::printf("    '%s' %s  \"%s\"\n", pipl::FourCCText(prm.key).c_str(), pipl::FourCCText(prm.type).c_str(),
                        prm.name.c_str());
    }
}

void PrintReport(int run, const host::RunReport& r) {
    std::printf("run %d:\n", run);
    for (const host::SelectorCall& c : r.selectors)
        std::printf("  %-10s -> %d\n", SelectorName(c.selector).c_str(), c.result);
    for (const host::MessageBoxCall& b : r.messageBoxes)
        std::printf("  message box \"%s\" / \"%s\" type 0x%X owner %s\n", host::Narrow(b.text).c_str(),
                    host::Narrow(b.caption).c_str(), b.type,
                    b.owner == nullptr ? "none" : (b.ownerIsHostWindow ? "host window" : "other"));
    for (const host::DialogCall& d : r.dialogs)
        std::printf("  dialog %s: %s, ended %lld%s\n", host::Narrow(d.templateName).c_str(),
                    d.shown ? (d.scripted ? "shown and operated by the script" : "shown and answered") : "not shown",
                    static_cast<long long>(d.endCode), d.forcedEnd ? " (forced)" : "");
    for (const host::AdvanceCall& a : r.advanceCalls)
        std::printf("  advanceState%s in %s planes %d..%d rate %.4g pad %d, out %s planes %d..%d, mask %s -> %d\n",
                    a.selector < 0 ? " (host)" : "", host::RectText(a.inRect).c_str(), a.inLoPlane, a.inHiPlane,
                    a.inputRate / 65536.0, a.inputPadding, host::RectText(a.outRect).c_str(), a.outLoPlane,
                    a.outHiPlane, host::RectText(a.maskRect).c_str(), a.answer);
    std::printf("  displayPixels %zu, progress %zu, abortProc %d, continue %d%s\n", r.displayCalls.size(),
                r.progressCalls.size(), r.abortCalls, r.continueCount, r.looping ? " (LOOPING)" : "");
    std::printf("  after the run: inRect %s outRect %s maskRect %s bufferSpace %d\n", host::RectText(r.inRect).c_str(),
                host::RectText(r.outRect).c_str(), host::RectText(r.maskRect).c_str(), r.bufferSpace);
    if (r.settings.present)
        std::printf("  settings record: handle %zu bytes, signature 0x%08X, %zu bytes of data\n", r.settings.recordSize,
                    r.settings.signature, r.settings.blockSize);
    if (r.recordedAction) {
        std::printf("  recorded action (recordInfo %d):\n", r.recordInfo);
        std::istringstream lines(DescriptorText(r.recorded));
        for (std::string line; std::getline(lines, line);) std::printf("    %s\n", line.c_str());
    }
    if (r.guardFaults > 0) std::printf("  guard bytes overwritten: %d\n", r.guardFaults);
    for (const std::string& p : r.problems) std::printf("  problem: %s\n", p.c_str());
    std::printf("  result %d\n", r.result);
}

// Reads a file named in UTF-8 (opened by its wide name).
bool ReadWholeFile(const std::string& path, std::string* bytes) {
    std::FILE* file = kelvo::OpenFile(path.c_str(), "rb");
    if (file == nullptr) return false;
    bytes->clear();
    char chunk[4096];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes->append(chunk, n);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

// What the command line asks of a session: the host's options, the plan of
// the first run, and the files and conversions around the runs.
struct HostCommand {
    host::HostOptions options;
    host::RunPlan plan;
    int runs = 1, planes = 0, depth = 8;
    std::string settingsPath, recordPath, playPath;
};

// A wrong command line: the message and the usage; the exit status for it.
int BadCommandLine(const std::string& what) {
    std::fprintf(stderr, "kelvo-host: %s\n%s", what.c_str(), kUsage);
    return 2;
}

int Failure(const std::string& error) {
    std::fprintf(stderr, "kelvo-host: %s\n", error.c_str());
    return 2;
}

// Says why an option or file is refused; false, for the caller to return.
bool Refuse(std::string* why, const std::string& what) {
    *why = what;
    return false;
}

// The command line as the system gives it, in wide characters.
std::vector<std::wstring> WideArguments() {
    int argc = 0;
    LPWSTR* wargv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::wstring> wide(wargv, wargv + argc);
    LocalFree(wargv);
    return wide;
}

// The options without a value; false for any other argument.
bool SetFlag(const std::string& a, HostCommand* c) {
    host::HostOptions& options = c->options;
    if (a == "--about") {
        c->plan.about = true;
    } else if (a == "--repeat") {
        c->plan.parameters = false;
    } else if (a == "--no-advance-state") {
        options.offerAdvanceState = false;
    } else if (a == "--no-display-pixels") {
        options.offerDisplayPixels = false;
    } else if (a == "--floating") {
        options.isFloating = true;
    } else if (a == "--transparency") {
        options.transparencyPlane = true;
    } else if (a == "--depth-zero") {
        options.leaveDepthZero = true;
    } else if (a == "--no-padding") {
        options.supportsPadding = false;
    } else if (a == "--clamp") {
        options.clampRequests = true;
    } else if (a == "--drop-data") {
        options.keepDataSlot = false;
    } else if (a == "--drop-parameters") {
        options.keepParameters = false;
    } else if (a == "--continue-after-failure") {
        options.continueAfterFailure = true;
    } else if (a == "--show-window") {
        options.showWindow = true;
    } else if (a == "--actions") {
        options.offerDescriptors = true;
    } else {
        return false;
    }
    return true;
}

// The options whose value is a number or a rectangle; false for another
// option or a value the option does not take.
bool StoreNumberOption(const std::string& a, const std::string& value, HostCommand* c) {
    host::HostOptions& options = c->options;
    int n = 0;
    if (a == "--runs" && ParseInt(value, &n) && n >= 1) {
        c->runs = n;
    } else if (a == "--null-buffers" && ParseInt(value, &n)) {
        options.nullBuffersAt = n;
    } else if (a == "--abort-after" && ParseInt(value, &n)) {
        options.abortAfterProgress = n;
    } else if (a == "--mask" && ParseRect(value, &options.maskRect)) {
        options.haveMask = true;
    } else if (a == "--planes" && ParseInt(value, &n) && n >= 1 && n <= 16) {
        c->planes = n;
    } else if (a == "--depth" && ParseInt(value, &n) && (n == 8 || n == 16 || n == 32)) {
        c->depth = n;
    } else if (a == "--mode" && ParseInt(value, &n)) {
        options.imageMode = static_cast<int16_t>(n);
    } else if (a == "--filter-rect" && ParseRect(value, &options.filterRect)) {
        // stored by ParseRect
    } else if (a == "--row-slack" && ParseInt(value, &n) && n >= 0) {
        options.rowSlack = n;
    } else if (a == "--output-fill" && ParseInt(value, &n) && n >= 0 && n <= 255) {
        options.outputFill = n;
        options.takeBackOnReturn = false;
    } else if (a == "--continue-cap" && ParseInt(value, &n) && n >= 0) {
        options.continueCap = n;
    } else {
        return false;
    }
    return true;
}

// "--fail-advance N[:CODE]".
bool StoreFailAdvance(const std::string& value, host::HostOptions* options) {
    int n = 0, code = memFullErr;
    const size_t colon = value.find(':');
    if (!ParseInt(value.substr(0, colon), &n) || n < 1 ||
        (colon != std::string::npos && !ParseInt(value.substr(colon + 1), &code)))
        return false;
    options->failAdvanceStateAt = n;
    options->failAdvanceStateCode = static_cast<int16_t>(code);
    return true;
}

// An option with its value (`wideValue` as the system gave it); false with
// the reason for an unknown option or a value it does not take.
bool StoreValueOption(const std::string& a, const std::string& value, const std::wstring& wideValue, HostCommand* c,
                      std::string* why) {
    if (a == "--settings") {
        c->settingsPath = value;
    } else if (a == "--record") {
        c->options.offerDescriptors = true;
        c->recordPath = value;
    } else if (a == "--play" || a == "--play-dialog") {
        c->options.offerDescriptors = true;
        c->playPath = value;
        c->plan.playInfo = a == "--play" ? plugInDialogDontDisplay : plugInDialogDisplay;
    } else if (a == "--remember-dir") {
        wchar_t full[MAX_PATH];
        const DWORD n = GetFullPathNameW(wideValue.c_str(), MAX_PATH, full, nullptr);
        if (n == 0 || n >= MAX_PATH) return Refuse(why, "bad folder: " + value);
        c->options.rememberFolder = full;
    } else if (a == "--dialog") {
        if (value != "ok" && value != "cancel") return Refuse(why, "--dialog takes ok or cancel");
        c->plan.dialog = value == "ok" ? host::DialogAnswer::Ok : host::DialogAnswer::Cancel;
    } else if (a == "--dialog-script" || a == "--dialog-script-file") {
        std::string text = value;
        if (a == "--dialog-script-file" && !ReadWholeFile(value, &text)) return Refuse(why, "cannot read " + value);
        if (!host::ParseDialogScript(text, &c->plan.script, why)) return false;
    } else if (a == "--fail-advance") {
        if (!StoreFailAdvance(value, &c->options)) return Refuse(why, "--fail-advance takes N or N:CODE");
    } else if (!StoreNumberOption(a, value, c)) {
        return Refuse(why, "bad option or value: " + a + " " + value);
    }
    return true;
}

// The options after the module and the two image files.
bool ParseOptions(const std::vector<std::string>& args, const std::vector<std::wstring>& wide, HostCommand* c,
                  std::string* why) {
    for (size_t i = 4; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (SetFlag(a, c)) continue;
        if (i + 1 >= args.size()) return Refuse(why, "unknown option or missing value: " + a);
        ++i;
        if (!StoreValueOption(a, args[i], wide[i], c, why)) return false;
    }
    return true;
}

// The image as the runs get it: read, then given the planes and depth asked for.
bool ReadRunImage(const std::string& path, const HostCommand& c, host::Image* image, std::string* error) {
    if (!host::ReadImage(path, image, error)) return false;
    if (c.planes > 0) *image = host::ConvertPlanes(*image, c.planes);
    *image = host::WidenImage(*image, c.depth);
    return true;
}

// Reads the settings file and the descriptor to play into the plan.
bool ReadPlanFiles(HostCommand* c, std::string* why) {
    if (!c->settingsPath.empty()) {
        std::string bytes;
        if (!ReadWholeFile(c->settingsPath, &bytes)) return Refuse(why, "cannot read " + c->settingsPath);
        c->plan.settingsFile.assign(bytes.begin(), bytes.end());
        if (c->plan.settingsFile.empty()) return Refuse(why, c->settingsPath + " is empty or missing");
    }
    if (!c->playPath.empty()) {
        std::string text;
        if (!ReadWholeFile(c->playPath, &text)) return Refuse(why, "cannot read " + c->playPath);
        if (!ParseDescriptor(text, &c->plan.descriptor, why)) return false;
        c->plan.playDescriptor = true;
    }
    return true;
}

bool WriteDescriptorFile(const std::string& path, const host::Descriptor& descriptor) {
    std::FILE* file = kelvo::OpenFile(path.c_str(), "wb");
    const std::string text = DescriptorText(descriptor);
    const bool written = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (file != nullptr) std::fclose(file);
    return written;
}

// Runs the filter as often as asked, the runs after the first as repeats,
// and prints each run's report; the last run's image goes to *output.
// Returns 1 when a run failed or its action could not be written, else 0.
int RunAndReport(host::HostSession* session, const HostCommand& c, host::Image* output) {
    int status = 0;
    for (int run = 1; run <= c.runs; ++run) {
        host::RunPlan thisRun = c.plan;
        if (run > 1) {
            thisRun.about = false;
            thisRun.parameters = false;
            thisRun.settingsFile.clear();
        }
        host::RunReport report = host::RunFilter(session, thisRun);
        PrintReport(run, report);
        if (!c.recordPath.empty() && report.recordedAction && !WriteDescriptorFile(c.recordPath, report.recorded))
            status = 1;
        if (report.result != 0 || report.looping || report.guardFaults > 0) status = 1;
        *output = report.output;
    }
    return status;
}

}  // namespace
}  // namespace kelvo::host

int main() {
    using namespace kelvo;
    using namespace kelvo::host;
    // Editors run DPI aware: the dialog is laid out at the display's real DPI.
    host::BecomeDpiAware();
    const std::vector<std::wstring> wide = WideArguments();
    std::vector<std::string> args;
    for (const std::wstring& w : wide) args.push_back(host::Narrow(w));
    if (args.size() < 4) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    HostCommand command;
    std::string error;
    if (!ParseOptions(args, wide, &command, &error)) return BadCommandLine(error);
    host::Image image;
    if (!ReadRunImage(args[2], command, &image, &error)) return Failure(error);
    if (!ReadPlanFiles(&command, &error)) return BadCommandLine(error);

    host::HostSession* session = host::OpenHost(wide[1], command.options, &error);
    if (session == nullptr) return Failure(error);
    PrintPipl(host::Module(session));
    PrintScripting(host::Module(session));
    host::SetImage(session, image);
    host::Image output = image;
    const int status = RunAndReport(session, command, &output);
    host::CloseHost(session);
    std::fflush(stdout);
    if (!host::WriteImage(args[3], host::ReduceImage(output), &error)) return Failure(error);
    return status;
}
