#include "support/ini_document.h"

#include <utility>

namespace vu {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

std::int32_t Index(std::size_t index) { return static_cast<std::int32_t>(index); }

}  // namespace

IniDocument::IniDocument(std::string_view text, const AnsiCharset& charset) : charset_(charset) {
    if (text.starts_with(kUtf8ByteOrderMark)) {
        prefix_ = kUtf8ByteOrderMark;
        text.remove_prefix(kUtf8ByteOrderMark.size());
    }
    sections_.emplace_back();
    sectionIndex_.emplace("", 0);
    std::unordered_map<std::string, std::uint32_t> sectionTails{{"", 0}};
    std::unordered_map<std::string, std::uint32_t> keyTails;

    for (std::size_t offset = 0; offset < text.size();) {
        std::size_t end = text.find_first_of("\r\n", offset);
        std::size_t next = 0;
        if (end == std::string_view::npos) {
            end = next = text.size();
        } else {
            next = end + (text.compare(end, 2, kLineEnd) == 0 ? 2 : 1);
        }
        Line line;
        line.text = text.substr(offset, next - offset);
        line.endLength = static_cast<std::uint8_t>(next - end);
        line.parts = ParseIniLine(line.Content(), charset_);
        ++lineCount_;
        offset = next;

        if (line.parts.kind != IniLineKind::Section) {
            AddLine(sections_.back(), std::move(line), keyTails);
            continue;
        }
        keyTails.clear();
        std::string folded = charset_.FoldCase(line.parts.Name(line.Content()));
        const auto index = static_cast<std::uint32_t>(sections_.size());
        sections_.emplace_back().header = std::move(line);
        const auto [tail, isFirst] = sectionTails.try_emplace(folded, index);
        if (isFirst) {
            sectionIndex_.emplace(std::move(folded), index);
        } else {
            sections_[tail->second].nextSame = Index(index);
            tail->second = index;
        }
    }
}

void IniDocument::AddLine(Section& section, Line line,
                          std::unordered_map<std::string, std::uint32_t>& keyTails) const {
    const auto index = static_cast<std::uint32_t>(section.lines.size());
    if (line.parts.kind == IniLineKind::Blank) {
        ++section.trailingBlanks;
    } else {
        section.trailingBlanks = 0;
        std::string folded = charset_.FoldCase(line.parts.Name(line.Content()));
        const auto [tail, isFirst] = keyTails.try_emplace(folded, index);
        if (isFirst) {
            section.keys.emplace(std::move(folded), index);
        } else {
            section.lines[tail->second].nextSame = Index(index);
            tail->second = index;
        }
    }
    section.lines.push_back(std::move(line));
}

std::optional<std::uint32_t> IniDocument::FindSection(std::string_view requestedName) const {
    const auto found = sectionIndex_.find(charset_.FoldCase(RequestedName(requestedName)));
    if (found == sectionIndex_.end()) return std::nullopt;
    return found->second;
}

const IniDocument::Line* IniDocument::FindKey(const Section& section, std::string_view requestedName) const {
    const auto found = section.keys.find(charset_.FoldCase(RequestedName(requestedName)));
    return found == section.keys.end() ? nullptr : &section.lines[found->second];
}

std::optional<std::string_view> IniDocument::FindValue(std::string_view section, std::string_view key) const {
    const auto sectionIndex = FindSection(section);
    if (!sectionIndex) return std::nullopt;
    const Line* line = FindKey(sections_[*sectionIndex], key);
    if (line == nullptr || !line->parts.hasValue) return std::nullopt;
    return line->parts.Value(line->Content());
}

void IniDocument::ListKeyNames(std::string_view section, KeyNameBlock& block) const {
    // Unlike a value read, a listing takes the section name as given: with white space around it
    // the name matches no section (section names are stored trimmed).
    const std::string_view name = UpToNul(section);
    if (name != TrimIniSpace(name)) return;
    const auto sectionIndex = FindSection(name);
    if (!sectionIndex) return;
    for (const Line& line : sections_[*sectionIndex].lines) {
        const std::string_view content = line.Content();
        if (line.removed || line.parts.kind != IniLineKind::Key || !line.parts.hasValue ||
            line.parts.IsComment(content))
            continue;
        if (!block.Add(line.parts.Name(content))) return;
    }
}

void IniDocument::ListSectionNames(SectionNameBlock& block) const {
    for (std::size_t index = 1; index < sections_.size(); ++index) {
        const Section& section = sections_[index];
        if (section.removed) continue;
        const std::string_view name = section.header->parts.Name(section.header->Content());
        if (!name.empty() && !block.Add(name)) return;
    }
}

IniDocument::Line IniDocument::MakeLine(std::string content) const {
    Line line;
    line.parts = ParseIniLine(content, charset_);
    line.text = std::move(content);
    line.text += kLineEnd;
    line.endLength = static_cast<std::uint8_t>(kLineEnd.size());
    return line;
}

bool IniDocument::ReadsBackAs(std::string_view line, IniLineKind kind, std::string_view foldedName) const {
    const IniLineParts parts = ParseIniLine(line, charset_);
    return parts.kind == kind && charset_.FoldCase(parts.Name(line)) == foldedName;
}

std::optional<IniUndo> IniDocument::SetValue(std::string_view section, std::string_view key,
                                             std::string_view value) {
    const std::string_view sectionName = RequestedName(section);
    const std::string_view keyName = RequestedName(key);
    value = UpToNul(value);
    if (HasLineBreak(sectionName) || HasLineBreak(keyName) || HasLineBreak(value)) return std::nullopt;
    std::string foldedKey = charset_.FoldCase(keyName);
    std::string keyLine = std::string(keyName) + '=' + std::string(value);
    if (!ReadsBackAs(keyLine, IniLineKind::Key, foldedKey)) return std::nullopt;

    IniUndo undo;
    const auto sectionIndex = FindSection(sectionName);
    if (!sectionIndex) {
        std::string foldedSection = charset_.FoldCase(sectionName);
        std::string header(1, '[');
        header.append(sectionName).push_back(']');
        if (!ReadsBackAs(header, IniLineKind::Section, foldedSection)) return std::nullopt;
        Section& added = sections_.emplace_back();
        added.header = MakeLine(std::move(header));
        added.lines.push_back(MakeLine(std::move(keyLine)));
        added.keys.emplace(std::move(foldedKey), 0);
        lineCount_ += 2;
        undo.kind_ = IniUndo::Kind::AddedSection;
        undo.section_ = static_cast<std::uint32_t>(sections_.size() - 1);
        sectionIndex_.emplace(foldedSection, undo.section_);
        undo.foldedName_ = std::move(foldedSection);
        return undo;
    }

    Section& target = sections_[*sectionIndex];
    undo.section_ = *sectionIndex;
    const auto found = target.keys.find(foldedKey);
    if (found != target.keys.end()) {
        Line& line = target.lines[found->second];
        // The key keeps its name as the file spells it; only the value changes.
        std::string content = std::string(line.parts.RawName(line.Content())) + '=' + std::string(value);
        if (!ReadsBackAs(content, IniLineKind::Key, foldedKey)) return std::nullopt;
        const std::string lineEnd = line.text.substr(line.text.size() - line.endLength);
        undo.kind_ = IniUndo::Kind::ReplacedLine;
        undo.line_ = found->second;
        undo.oldText_ = std::exchange(line.text, content + lineEnd);
        undo.oldParts_ = std::exchange(line.parts, ParseIniLine(content, charset_));
        return undo;
    }

    const auto position = static_cast<std::uint32_t>(target.lines.size() - target.trailingBlanks);
    target.lines.insert(target.lines.begin() + position, MakeLine(std::move(keyLine)));
    target.keys.emplace(foldedKey, position);
    ++lineCount_;
    undo.kind_ = IniUndo::Kind::AddedLine;
    undo.line_ = position;
    undo.foldedName_ = std::move(foldedKey);
    return undo;
}

IniUndo IniDocument::RemoveKey(std::string_view section, std::string_view key) {
    IniUndo undo;
    const auto sectionIndex = FindSection(section);
    if (!sectionIndex) return undo;
    Section& target = sections_[*sectionIndex];
    std::string folded = charset_.FoldCase(RequestedName(key));
    const auto found = target.keys.find(folded);
    if (found == target.keys.end()) return undo;
    Line& line = target.lines[found->second];
    line.removed = true;
    undo.kind_ = IniUndo::Kind::RemovedLine;
    undo.section_ = *sectionIndex;
    undo.line_ = found->second;
    if (line.nextSame >= 0) {
        found->second = static_cast<std::uint32_t>(line.nextSame);
    } else {
        target.keys.erase(found);
    }
    undo.foldedName_ = std::move(folded);
    ++removedLines_;
    return undo;
}

IniUndo IniDocument::RemoveSection(std::string_view section) {
    IniUndo undo;
    std::string folded = charset_.FoldCase(RequestedName(section));
    if (folded.empty()) return undo;
    const auto found = sectionIndex_.find(folded);
    if (found == sectionIndex_.end()) return undo;
    Section& target = sections_[found->second];
    target.removed = true;
    undo.kind_ = IniUndo::Kind::RemovedSection;
    undo.section_ = found->second;
    if (target.nextSame >= 0) {
        found->second = static_cast<std::uint32_t>(target.nextSame);
    } else {
        sectionIndex_.erase(found);
    }
    undo.foldedName_ = std::move(folded);
    removedLines_ += 1 + target.lines.size();
    return undo;
}

void IniDocument::Undo(IniUndo&& undo) {
    switch (undo.kind_) {
        case IniUndo::Kind::None:
            break;
        case IniUndo::Kind::ReplacedLine: {
            Line& line = sections_[undo.section_].lines[undo.line_];
            line.text = std::move(undo.oldText_);
            line.parts = undo.oldParts_;
            break;
        }
        case IniUndo::Kind::AddedLine: {
            Section& section = sections_[undo.section_];
            section.lines.erase(section.lines.begin() + undo.line_);
            section.keys.erase(undo.foldedName_);
            --lineCount_;
            break;
        }
        case IniUndo::Kind::AddedSection:
            sections_.pop_back();
            sectionIndex_.erase(undo.foldedName_);
            lineCount_ -= 2;
            break;
        case IniUndo::Kind::RemovedLine: {
            Section& section = sections_[undo.section_];
            section.lines[undo.line_].removed = false;
            section.keys[undo.foldedName_] = undo.line_;
            --removedLines_;
            break;
        }
        case IniUndo::Kind::RemovedSection: {
            Section& section = sections_[undo.section_];
            section.removed = false;
            sectionIndex_[undo.foldedName_] = undo.section_;
            removedLines_ -= 1 + section.lines.size();
            break;
        }
    }
    undo.kind_ = IniUndo::Kind::None;
}

std::string IniDocument::Text() const {
    std::string text = prefix_;
    bool lineOpen = false;  // the last line written has no line end (it was the file's last)
    const auto put = [&](const Line& line) {
        if (lineOpen) text += kLineEnd;
        text += line.text;
        lineOpen = line.endLength == 0;
    };
    for (const Section& section : sections_) {
        if (section.removed) continue;
        if (section.header) put(*section.header);
        for (const Line& line : section.lines) {
            if (!line.removed) put(line);
        }
    }
    return text;
}

}  // namespace vu
