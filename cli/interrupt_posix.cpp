// The signal handler may only do what is safe in a signal handler: it unlinks
// a name and writes a note, both prepared beforehand in fixed buffers, and
// calls _exit. Each text has two buffers: the main thread fills the one not
// shown and then switches, so the handler always finds a whole text.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "interrupt.h"
#include "replace_file.h"

namespace cli {
namespace {

constexpr size_t kTextRoom = 4352;  // PATH_MAX and a temporary suffix

struct SignalText {
    char text[2][kTextRoom];
    volatile sig_atomic_t shown;  // the buffer the handler reads
};

SignalText temporaryFile;
SignalText interruptNote;

void Store(SignalText* t, const char* text, size_t length) {
    const int next = 1 - t->shown;
    if (length >= kTextRoom) length = 0;  // a name too long to keep is not removed
    std::memcpy(t->text[next], text, length);
    t->text[next][length] = '\0';
    std::atomic_signal_fence(std::memory_order_release);  // the text is whole before it is shown
    t->shown = next;
}

void ObserveTemporary(const char* temporary) {
    Store(&temporaryFile, temporary != nullptr ? temporary : "", temporary != nullptr ? std::strlen(temporary) : 0);
}

void OnInterrupt(int signal) {
    const char* temporary = temporaryFile.text[temporaryFile.shown];
    if (temporary[0] != '\0') unlink(temporary);
    const char* note = interruptNote.text[interruptNote.shown];
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

void SetInterruptNote(const std::string& text) {
    const std::string line = text + "\n";
    Store(&interruptNote, line.c_str(), line.size());
}

void InstallInterruptHandlers() {
    SetInterruptNote("kelvo-render: interrupted");
    kelvo::ObserveTemporaryFiles(ObserveTemporary);
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace cli
