#pragma once
// An INI file held in memory: its lines exactly as read, an index of sections and keys by
// case-folded name, edits that touch single lines, and the text to write back.
//
// Reads follow the private-profile functions: the first section of a name and the first key of a
// name in it are the ones seen; lines before the first section form the section named "".
// Removed lines stay as tombstones until the document is rebuilt from its text, so a removal costs
// the same whatever the size of the file.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "support/ansi_charset.h"
#include "support/ini_line.h"
#include "support/ini_read_results.h"

namespace vu {

// How to take back the most recent edit of an IniDocument.
class IniUndo {
public:
    // Whether the edit changed the document at all.
    bool Changed() const { return kind_ != Kind::None; }

private:
    friend class IniDocument;
    enum class Kind { None, ReplacedLine, AddedLine, AddedSection, RemovedLine, RemovedSection };
    Kind kind_ = Kind::None;
    std::uint32_t section_ = 0;
    std::uint32_t line_ = 0;
    std::string foldedName_;
    std::string oldText_;
    IniLineParts oldParts_;
};

class IniDocument {
public:
    IniDocument(std::string_view text, const AnsiCharset& charset);

    // Names are given as C strings (up to a NUL, surrounding white space ignored) and match
    // without regard to case. None when the section or key is missing or the key has no '='.
    std::optional<std::string_view> FindValue(std::string_view section, std::string_view key) const;
    // Key names of the section in file order, without comments and lines lacking '='. The
    // section name is not trimmed here: a name with white space around it lists nothing.
    void ListKeyNames(std::string_view section, KeyNameBlock& block) const;
    // Names of all named sections in file order, repeated names included.
    void ListSectionNames(SectionNameBlock& block) const;

    // Sets the first key of the name in the first section of the name to the value (up to a
    // NUL): its line becomes "key=value"; a missing key is added after the section's last
    // non-blank line, a missing section at the end of the file. None, and no change, when the
    // text cannot stand in one line as given: a line break anywhere, or a key or section name
    // that would read back as something else (such as a key name holding '=').
    std::optional<IniUndo> SetValue(std::string_view section, std::string_view key, std::string_view value);
    // Removes the first key of the name in the first section of the name, if any.
    IniUndo RemoveKey(std::string_view section, std::string_view key);
    // Removes the first section of the name with its lines, if any; never the nameless ones.
    IniUndo RemoveSection(std::string_view section);
    // Takes back an edit; only the most recent one may be taken back.
    void Undo(IniUndo&& undo);

    // The file's text: untouched lines byte for byte; new lines end in CR LF.
    std::string Text() const;
    // Lines held as removed, and all lines held, to decide when a rebuild from Text() pays.
    std::size_t RemovedLineCount() const { return removedLines_; }
    std::size_t LineCount() const { return lineCount_; }

private:
    struct Line {
        std::string text;  // with its line end
        std::uint8_t endLength = 0;
        IniLineParts parts;
        std::int32_t nextSame = -1;  // next key of the same folded name in the section
        bool removed = false;
        std::string_view Content() const { return std::string_view(text).substr(0, text.size() - endLength); }
    };
    struct Section {
        std::optional<Line> header;  // none for the lines before the first section
        std::vector<Line> lines;
        std::unordered_map<std::string, std::uint32_t> keys;  // folded name -> first key line
        std::uint32_t trailingBlanks = 0;
        std::int32_t nextSame = -1;  // next section of the same folded name
        bool removed = false;
    };

    std::optional<std::uint32_t> FindSection(std::string_view requestedName) const;
    const Line* FindKey(const Section& section, std::string_view requestedName) const;
    bool ReadsBackAs(std::string_view line, IniLineKind kind, std::string_view foldedName) const;
    Line MakeLine(std::string content) const;
    void AddLine(Section& section, Line line,
                 std::unordered_map<std::string, std::uint32_t>& keyTails) const;

    AnsiCharset charset_;
    std::string prefix_;  // a UTF-8 byte order mark, kept but not parsed
    std::vector<Section> sections_;
    std::unordered_map<std::string, std::uint32_t> sectionIndex_;  // folded name -> first section
    std::size_t removedLines_ = 0;
    std::size_t lineCount_ = 0;
};

}  // namespace vu
