#include "wide_path_win32.h"

namespace kelvo {
namespace {

void* Allocate(size_t bytes) { return HeapAlloc(GetProcessHeap(), 0, bytes); }
void Release(void* block) {
    if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}

// Makes `wide` a heap buffer of `room` characters (contents undefined).
bool MakeRoom(size_t room, WideText* wide) { return MakeWideRoom(room, wide); }

// Takes over another buffer's contents.
void Take(WideText* from, WideText* to) {
    Release(to->text);
    to->text = from->text;
    to->length = from->length;
    to->room = from->room;
    from->text = nullptr;
    from->length = from->room = 0;
}

bool StartsWith(const wchar_t* text, const wchar_t* prefix) {
    for (; *prefix != L'\0'; ++text, ++prefix)
        if (*text != *prefix) return false;
    return true;
}

// The absolute form of a long path, with the prefix that lifts MAX_PATH.
bool LongForm(const WideText& path, size_t spare, WideText* out) {
    if (StartsWith(path.text, L"\\\\?\\")) return true;  // already in that form
    const DWORD needed = GetFullPathNameW(path.text, 0, nullptr, nullptr);
    if (needed == 0 || needed > kLongestWidePath) return false;
    WideText full;
    if (!MakeRoom(needed, &full)) return false;
    const DWORD n = GetFullPathNameW(path.text, needed, full.text, nullptr);
    if (n == 0 || n >= needed) return false;
    const bool network = StartsWith(full.text, L"\\\\");
    const wchar_t* prefix = network ? L"\\\\?\\UNC\\" : L"\\\\?\\";
    const wchar_t* rest = network ? full.text + 2 : full.text;
    const size_t prefixLength = network ? 8 : 4;
    const size_t restLength = n - (rest - full.text);
    if (!MakeRoom(prefixLength + restLength + spare + 1, out)) return false;
    size_t at = 0;
    for (const wchar_t* p = prefix; *p != L'\0'; ++p) out->text[at++] = *p;
    for (size_t i = 0; i < restLength; ++i) out->text[at++] = rest[i];
    out->text[at] = L'\0';
    out->length = at;
    return true;
}

}  // namespace

WideText::~WideText() { Release(text); }
Utf8Text::~Utf8Text() { Release(text); }

void FreeText(WideText* wide) {
    Release(wide->text);
    wide->text = nullptr;
    wide->length = wide->room = 0;
}

void FreeText(Utf8Text* utf8) {
    Release(utf8->text);
    utf8->text = nullptr;
}

bool MakeWideRoom(size_t room, WideText* wide) {
    FreeText(wide);
    if (room == 0) return false;
    wide->text = static_cast<wchar_t*>(Allocate(room * sizeof(wchar_t)));
    if (wide->text == nullptr) return false;
    wide->text[0] = L'\0';
    wide->room = room;
    return true;
}

bool WidePathFromUtf8(const char* utf8, size_t spare, WideText* wide) {
    FreeText(wide);
    if (utf8 == nullptr || *utf8 == '\0') return false;
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
    if (n <= 1 || static_cast<size_t>(n) > kLongestWidePath + 1) return false;
    WideText plain;
    if (!MakeRoom(static_cast<size_t>(n) + spare, &plain)) return false;
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, plain.text, n) != n) return false;
    plain.length = static_cast<size_t>(n) - 1;
    if (plain.length + spare < MAX_PATH) {
        Take(&plain, wide);
        return true;
    }
    WideText longForm;
    if (!LongForm(plain, spare, &longForm)) return false;
    if (longForm.text == nullptr) Take(&plain, wide);  // prefixed already
    else Take(&longForm, wide);
    return true;
}

bool Utf8FromWide(const wchar_t* text, Utf8Text* utf8) {
    FreeText(utf8);
    if (text == nullptr) return false;
    const int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return false;
    utf8->text = static_cast<char*>(Allocate(static_cast<size_t>(n)));
    if (utf8->text == nullptr) return false;
    if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, utf8->text, n, nullptr, nullptr) != n) {
        Release(utf8->text);
        utf8->text = nullptr;
        return false;
    }
    return true;
}

bool IsLinkOrJunction(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
    // The reparse tag is in the find data (dwReserved0).
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW(path, &found);
    if (find == INVALID_HANDLE_VALUE) return true;
    FindClose(find);
    return found.dwReserved0 == IO_REPARSE_TAG_SYMLINK || found.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT;
}

}  // namespace kelvo
