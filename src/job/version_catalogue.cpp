#include "job/version_catalogue.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/file_system.h"
#include "support/ansi_charset.h"
#include "support/file_helpers.h"
#include "support/fixed_text.h"
#include "support/ini_file_ex.h"
#include "support/integer_text.h"
#include "support/md5.h"
#include "support/text_compare.h"
#include "transfer/log_text.h"

namespace vu {

namespace {

// An integer version with this value is compared as text: it is the marker of a text that
// does not read as a number.
constexpr std::int32_t kNotANumber = -20091023;
constexpr char kDefaultSection[] = "Default";
constexpr char kListVersionKey[] = "Version";
constexpr char kFallbackKey[] = "-1";
constexpr char kEntrySeparator = '|';
constexpr std::size_t kLongFieldTextLimit = 259;

std::mutex VersionListLock;
std::string SavedListPath;
std::string SavedListDigest;

// Negative when the local version is older than the server's as far as the fallback entry is
// concerned, zero when equal. Integers compare by value, local against server; other texts
// compare the other way round, server against local.
int CompareVersions(const std::string& local, const std::string& server) {
    const auto localNumber = ParseInteger32(local);
    const auto serverNumber = ParseInteger32(server);
    if (localNumber && serverNumber && *localNumber != kNotANumber &&
        *serverNumber != kNotANumber) {
        return (*localNumber > *serverNumber) - (*localNumber < *serverNumber);
    }
    return CompareText(server, local);
}

// Parts between "|" separators; an empty part between two separators counts, a separator at
// the very end adds none, and an empty entry has none.
std::vector<std::string> SplitEntry(const std::string& entry) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start < entry.size()) {
        const std::size_t separator = entry.find(kEntrySeparator, start);
        if (separator == std::string::npos) {
            parts.push_back(entry.substr(start));
            break;
        }
        parts.push_back(entry.substr(start, separator - start));
        start = separator + 1;
    }
    return parts;
}

template <std::size_t Width>
void ZeroField(char (&field)[Width]) {
    std::memset(field, 0, Width);
}

// The first min(width, length) bytes of text and nothing else: no terminating NUL is added.
template <std::size_t Width>
void CopyPrefix(char (&field)[Width], const std::string& text) {
    std::memcpy(field, text.data(), std::min(Width, text.size()));
}

// The text cut at 259 characters, followed by a NUL.
template <std::size_t Width>
void StoreText(char (&field)[Width], std::string text) {
    static_assert(Width == kLongFieldTextLimit + 1);
    if (text.size() > kLongFieldTextLimit) text.resize(kLongFieldTextLimit);
    std::memcpy(field, text.data(), text.size());
    field[text.size()] = '\0';
}

void FillFromEntry(VersionQuery& query, const std::string& entry) {
    const std::vector<std::string> parts = SplitEntry(entry);
    if (parts.empty()) {
        ZeroField(query.EntryVersion);
    } else {
        CopyPrefix(query.EntryVersion, parts[0]);
    }
    if (parts.size() < 2) {
        ZeroField(query.EntryUrl);
    } else {
        StoreText(query.EntryUrl, FixedFieldText(query.EntryUrl) + parts[1]);
    }
    if (parts.size() < 3) {
        ZeroField(query.EntryExtra);
    } else {
        StoreText(query.EntryExtra, parts[2]);
    }
}

// The section the query reads: the product's own, else "Default", else the product name
// anyway. Names compare without regard to case; only the sections of the listing count.
std::string ChooseSection(TIniFile& list, const std::string& productName) {
    std::vector<std::string> sections;
    list.ReadSections(sections);
    // The INI layer's own rule, so that a section found here is the one its reads find.
    const AnsiCharset charset = AnsiCharset::System();
    const auto present = [&](const std::string& name) {
        return std::any_of(sections.begin(), sections.end(), [&](const std::string& section) {
            return charset.SameName(section, name);
        });
    };
    if (present(productName)) return productName;
    if (present(kDefaultSection)) return kDefaultSection;
    return productName;
}

bool SavedListIsIntact() {
    if (SavedListPath.empty() || !platform::FileExists(SavedListPath)) return false;
    try {
        return DigestToHex(FileDigest(SavedListPath)) == SavedListDigest;
    } catch (...) {
        // Cannot be read now, for instance while a fetch writes it.
        return false;
    }
}

std::int32_t QuerySavedList(VersionQuery& query) {
    TNEIniFile list(SavedListPath);
    const std::string section = ChooseSection(list, FixedFieldText(query.ProductName));
    if (section.empty()) return VU_CHECK_NO_ENTRY;

    const std::string listVersion = list.ReadString(section, kListVersionKey, "");
    if (listVersion.empty()) {
        ZeroField(query.ListVersion);
    } else {
        CopyPrefix(query.ListVersion, listVersion);
    }

    const std::string local = FixedFieldText(query.CurrentVersion);
    const int comparison = CompareVersions(local, listVersion);
    std::string entry = local.empty() ? std::string() : list.ReadString(section, local, "");
    if (comparison == 0) {
        FillFromEntry(query, entry);
        return VU_CHECK_UP_TO_DATE;
    }
    if (entry.empty() && comparison > 0) entry = list.ReadString(section, kFallbackKey, "");
    if (entry.empty()) return VU_CHECK_NO_ENTRY;
    FillFromEntry(query, entry);
    return VU_CHECK_UPDATE_FOUND;
}

}  // namespace

void ResetVersionCatalogue() {
    const std::lock_guard guard(VersionListLock);
    SavedListPath.clear();
    SavedListDigest.clear();
}

void SaveVersionList(const std::string& path, std::string_view content) {
    const std::lock_guard guard(VersionListLock);
    ClearReadOnly(path);
    ReplaceLogFile(path, content);
    SavedListPath = path;
    SavedListDigest = DigestToHex(FileDigest(path));
}

std::int32_t CheckVersion(VersionQuery& query) noexcept {
    try {
        const std::lock_guard guard(VersionListLock);
        if (!SavedListIsIntact()) return VU_CHECK_NO_LIST;
        return QuerySavedList(query);
    } catch (...) {
        return VU_CHECK_NO_LIST;
    }
}

}  // namespace vu
