// The signal handler may only do what is safe in a signal handler: it unlinks
// a name and writes a note, both prepared beforehand in fixed buffers, and
// calls _exit. Each text has two buffers: the main thread fills the one not
// shown and then switches, so the handler always finds a whole text. The
// signals are held off while the temporary file is renamed over its target,
// so the handler finds either the file still there or the note that the
// target was replaced.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "interrupt.h"
#include "replace_file.h"

namespace kelvo::cli {
namespace {

constexpr size_t kTextRoom = 4352;  // PATH_MAX and a temporary suffix
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

struct SignalText {
    char text[2][kTextRoom];
    volatile sig_atomic_t shown;  // the buffer the handler reads
};

SignalText temporaryFile;
SignalText noteUntilWritten;
SignalText noteOnceWritten;
volatile sig_atomic_t written = 0;  // the file being written has replaced its target

sigset_t held;      // kSignals, held off during a rename
sigset_t unheld;    // the mask before
bool holding = false;

void Store(SignalText* t, const char* text, size_t length) {
    const int next = 1 - t->shown;
    if (length >= kTextRoom) length = 0;  // a name too long to keep is not removed
    std::memcpy(t->text[next], text, length);
    t->text[next][length] = '\0';
    std::atomic_signal_fence(std::memory_order_release);  // the text is whole before it is shown
    t->shown = next;
}

void Release() {
    if (holding) sigprocmask(SIG_SETMASK, &unheld, nullptr);
    holding = false;
}

void ObserveTemporary(kelvo::TemporaryFileEvent event, const char* temporary) {
    switch (event) {
        case kelvo::TemporaryFileEvent::Creating:
            Store(&temporaryFile, temporary, std::strlen(temporary));
            break;
        case kelvo::TemporaryFileEvent::Replacing:
            holding = sigprocmask(SIG_BLOCK, &held, &unheld) == 0;
            break;
        case kelvo::TemporaryFileEvent::Replaced:
        case kelvo::TemporaryFileEvent::Removed:
            Store(&temporaryFile, "", 0);
            if (event == kelvo::TemporaryFileEvent::Replaced) written = 1;
            Release();  // a signal that came meanwhile is taken now
            break;
    }
}

void OnInterrupt(int signal) {
    const char* temporary = temporaryFile.text[temporaryFile.shown];
    if (temporary[0] != '\0') unlink(temporary);
    const SignalText& chosen = written ? noteOnceWritten : noteUntilWritten;
    const char* note = chosen.text[chosen.shown];
    size_t length = 0;
    while (note[length] != '\0') ++length;
    while (length > 0) {
        const ssize_t n = write(STDERR_FILENO, note, length);
        if (n <= 0) break;
        note += n;
        length -= static_cast<size_t>(n);
    }
    _exit(128 + signal);
}

}  // namespace

void SetInterruptNotes(const std::string& untilWritten, const std::string& onceWritten) {
    const std::string until = untilWritten + "\n", once = onceWritten + "\n";
    // In this order the handler reads a true note at every step.
    Store(&noteUntilWritten, until.c_str(), until.size());
    written = 0;
    Store(&noteOnceWritten, once.c_str(), once.size());
}

void SetInterruptNote(const std::string& text) { SetInterruptNotes(text, text); }

void InstallInterruptHandlers() {
    SetInterruptNote("kelvo-render: interrupted");
    kelvo::ObserveTemporaryFiles(ObserveTemporary);
    sigemptyset(&held);
    for (int s : kSignals) sigaddset(&held, s);
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = OnInterrupt;
    action.sa_mask = held;
    // A signal the caller ignores (nohup, or a shell's background job for
    // SIGINT) stays ignored.
    for (int s : kSignals) {
        struct sigaction before;
        if (sigaction(s, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        sigaction(s, &action, nullptr);
    }
}

}  // namespace kelvo::cli
