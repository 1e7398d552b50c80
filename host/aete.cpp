#include "aete.h"

namespace kelvo::host::aete {
namespace {

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool U16(uint16_t* v) {
        if (size_ - pos_ < 2) return false;
        *v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return true;
    }
    bool U32(uint32_t* v) {
        uint16_t low = 0, high = 0;
        if (size_ - pos_ < 4 || !U16(&low) || !U16(&high)) return false;
        *v = low | (static_cast<uint32_t>(high) << 16);
        return true;
    }
    // A length byte and that many characters, with no padding after them.
    bool Pascal(std::string* s) {
        if (size_ - pos_ < 1) return false;
        const size_t n = data_[pos_];
        if (size_ - pos_ - 1 < n) return false;
        s->assign(reinterpret_cast<const char*>(data_ + pos_ + 1), n);
        pos_ += 1 + n;
        return true;
    }
    size_t pos() const { return pos_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace

bool ParseAete(const uint8_t* data, size_t size, Dictionary* d, std::string* error) {
    *d = Dictionary{};
    auto fail = [error](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (data == nullptr) return fail("no resource data");
    Reader r(data, size);
    uint16_t leading = 0, version = 0, suites = 0, events = 0, count = 0;
    if (!r.U16(&leading) || !r.U16(&version) || !r.U16(&d->language) || !r.U16(&d->script) || !r.U16(&suites))
        return fail("resource shorter than its header");
    d->majorVersion = static_cast<uint8_t>(version & 0xFF);
    d->minorVersion = static_cast<uint8_t>(version >> 8);
    if (suites != 1) return fail(std::to_string(suites) + " suites (a filter's dictionary has one)");
    if (!r.Pascal(&d->suiteName) || !r.Pascal(&d->suiteDescription) || !r.U32(&d->suiteId) ||
        !r.U16(&d->suiteCode) || !r.U16(&d->suiteLevel) || !r.U16(&events))
        return fail("suite runs past the end");
    if (events != 1) return fail(std::to_string(events) + " events (a filter's dictionary has one)");
    std::string replyDescription, directDescription;
    if (!r.Pascal(&d->eventName) || !r.Pascal(&d->eventDescription) || !r.U32(&d->eventClass) ||
        !r.U32(&d->eventId) || !r.U32(&d->replyType) || !r.Pascal(&replyDescription) || !r.U16(&d->replyFlags) ||
        !r.U32(&d->directType) || !r.Pascal(&directDescription) || !r.U16(&d->directFlags) || !r.U16(&count))
        return fail("event runs past the end");
    for (uint16_t i = 0; i < count; ++i) {
        Parameter p;
        if (!r.Pascal(&p.name) || !r.U32(&p.key) || !r.U32(&p.type) || !r.Pascal(&p.description) || !r.U16(&p.flags))
            return fail("parameter " + std::to_string(i) + " runs past the end");
        d->parameters.push_back(p);
    }
    uint16_t classes = 0, operators = 0, enumerations = 0;
    if (!r.U16(&classes) || !r.U16(&operators) || !r.U16(&enumerations))
        return fail("the counts after the event run past the end");
    if (classes != 0 || operators != 0 || enumerations != 0)
        return fail("classes, comparison operators or enumerations (not read)");
    d->bytesRead = r.pos();
    if (error) error->clear();
    return true;
}

}  // namespace kelvo::host::aete
