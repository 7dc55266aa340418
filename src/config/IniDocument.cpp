// The parsed document: sections, lines, and the changes made to them.

#include "config/IniFile.h"
#include "config/IniLines.h"

#include <charconv>
#include <utility>

namespace hostaq {

using namespace IniStore;

bool ParseIniInteger(std::string_view text, int& value) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    int v = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || ptr != text.data() + text.size())
        return false;
    value = v;
    return true;
}

TIniDocument::TIniDocument(std::string_view text) {
    const std::string_view body = StripBom(text);
    bom_ = body.size() != text.size();
    const std::size_t nl = body.find('\n');
    if (nl != std::string_view::npos && nl > 0 && body[nl - 1] == '\r')
        eol_ = "\r\n";
    sections_.emplace_back();
    std::string_view rest = body;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::size_t len = end == std::string_view::npos ? rest.size() : end + 1;
        const std::string_view line = rest.substr(0, len);
        rest.remove_prefix(len);
        std::string_view name;
        if (Classify(line, name) == TLineKind::Section) {
            TSection s;
            s.Header = std::string(line);
            s.Name = std::string(name);
            sections_.push_back(std::move(s));
        } else {
            sections_.back().Lines.emplace_back(line);
        }
    }
    Reindex();
}

void TIniDocument::Reindex() {
    index_.clear();
    index_.reserve(sections_.size());
    for (std::size_t i = 1; i < sections_.size(); ++i)
        index_.emplace(LowerName(sections_[i].Name), i); // the first of a name stays
}

const TIniDocument::TSection* TIniDocument::Find(std::string_view section) const {
    const auto it = index_.find(LowerName(Trim(section)));
    return it == index_.end() ? nullptr : &sections_[it->second];
}

TIniDocument::TSection* TIniDocument::Find(std::string_view section) {
    return const_cast<TSection*>(std::as_const(*this).Find(section));
}

namespace {
// Index of the first line of lines holding key, or npos.
std::size_t FindKeyLine(const std::vector<std::string>& lines, std::string_view key) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view name;
        if (Classify(lines[i], name) == TLineKind::Key && SameName(name, Trim(key)))
            return i;
    }
    return std::string::npos;
}
} // namespace

void TIniDocument::Note(TIniChange::TKind kind, std::string_view section, std::string_view key,
                        std::string_view value) {
    ++changes_;
    if (record_)
        record_->push_back({kind, std::string(section), std::string(key), std::string(value)});
}

void TIniDocument::EndLastLine() {
    for (auto s = sections_.rbegin(); s != sections_.rend(); ++s) {
        std::string& last = s->Lines.empty() ? s->Header : s->Lines.back();
        if (last.empty())
            continue; // the first section's missing header
        if (last.back() != '\n')
            last += eol_;
        return;
    }
}

bool TIniDocument::SectionExists(std::string_view section) const {
    return Find(section) != nullptr;
}

bool TIniDocument::ValueExists(std::string_view section, std::string_view key) const {
    const TSection* s = Find(section);
    return s && FindKeyLine(s->Lines, key) != std::string::npos;
}

std::string TIniDocument::ReadString(std::string_view section, std::string_view key,
                                     const std::string& def) const {
    const TSection* s = Find(section);
    const std::size_t k = s ? FindKeyLine(s->Lines, key) : std::string::npos;
    if (k == std::string::npos)
        return def;
    std::string_view name, value;
    Classify(s->Lines[k], name, &value);
    return std::string(value.substr(0, IniMaxValueLength));
}

void TIniDocument::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    Note(TIniChange::Write, section, key, value);
    std::string line = std::string(Trim(key)) + "=" + std::string(value);
    // A value cannot hold a line break: it would start a new line of the file.
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    TSection* s = Find(section);
    if (!s) {
        EndLastLine();
        TSection added;
        added.Header = "[" + std::string(section) + "]" + eol_;
        added.Name = std::string(Trim(section));
        added.Lines.push_back(line + eol_);
        sections_.push_back(std::move(added));
        index_.emplace(LowerName(sections_.back().Name), sections_.size() - 1);
        return;
    }
    const std::size_t k = FindKeyLine(s->Lines, key);
    if (k != std::string::npos) {
        std::string& old = s->Lines[k];
        const std::size_t ending = old.size() >= 2 && old.ends_with("\r\n") ? 2 : old.ends_with('\n') ? 1 : 0;
        line.append(old, old.size() - ending, ending);
        old = std::move(line);
        return;
    }
    // After the section's last line that is not blank; only a section that ends the file can
    // end without a line end.
    std::size_t at = s->Lines.size();
    while (at > 0 && Trim(s->Lines[at - 1]).empty())
        --at;
    if (at == s->Lines.size() && s == &sections_.back())
        EndLastLine();
    s->Lines.insert(s->Lines.begin() + static_cast<std::ptrdiff_t>(at), line + eol_);
}

void TIniDocument::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniDocument::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniDocument::EraseSection(std::string_view section) {
    if (!Find(section))
        return;
    Note(TIniChange::EraseSection, section);
    const std::string lower = LowerName(Trim(section));
    std::erase_if(sections_,
                  [&](const TSection& s) { return !s.Header.empty() && LowerName(s.Name) == lower; });
    // The first section (lines before any header) never goes: it has no header.
    Reindex();
}

void TIniDocument::DeleteKey(std::string_view section, std::string_view key) {
    TSection* s = Find(section);
    const std::size_t k = s ? FindKeyLine(s->Lines, key) : std::string::npos;
    if (k == std::string::npos)
        return;
    Note(TIniChange::DeleteKey, section, key);
    s->Lines.erase(s->Lines.begin() + static_cast<std::ptrdiff_t>(k));
}

void TIniDocument::Tidy() {
    Note(TIniChange::Tidy, {});
    const std::string eol = eol_;
    std::vector<TSection> tidy(1);
    bool first = true;
    auto keep = [&](const std::string& line, std::vector<std::string>& into) {
        const std::string_view t = Trim(line);
        if (t.empty())
            return false;
        if (!first && t.front() == '[')
            into.push_back(eol);
        into.push_back(std::string(t) + eol);
        first = false;
        return true;
    };
    for (const TSection& s : sections_) {
        if (!s.Header.empty()) {
            std::vector<std::string> header;
            keep(s.Header, header);
            TSection next;
            next.Name = s.Name;
            next.Header = header.back();
            if (header.size() == 2)
                tidy.back().Lines.push_back(header.front());
            tidy.push_back(std::move(next));
        }
        for (const std::string& line : s.Lines)
            keep(line, tidy.back().Lines);
    }
    sections_ = std::move(tidy);
    Reindex();
}

void TIniDocument::Apply(const TIniChange& change) {
    switch (change.Kind) {
    case TIniChange::Write:
        WriteString(change.Section, change.Key, change.Value);
        break;
    case TIniChange::EraseSection:
        EraseSection(change.Section);
        break;
    case TIniChange::DeleteKey:
        DeleteKey(change.Section, change.Key);
        break;
    case TIniChange::Tidy:
        Tidy();
        break;
    }
}

std::vector<std::string> TIniDocument::SectionNames() const {
    std::vector<std::string> out;
    out.reserve(sections_.size());
    for (std::size_t i = 1; i < sections_.size(); ++i)
        out.push_back(sections_[i].Name);
    return out;
}

std::vector<std::string> TIniDocument::KeyNames(std::string_view section) const {
    std::vector<std::string> out;
    if (const TSection* s = Find(section))
        for (const std::string& line : s->Lines) {
            std::string_view name;
            if (Classify(line, name) == TLineKind::Key)
                out.emplace_back(name);
        }
    return out;
}

std::vector<std::string> TIniDocument::KeyValues(std::string_view section) const {
    std::vector<std::string> out;
    if (const TSection* s = Find(section))
        for (const std::string& line : s->Lines) {
            std::string_view name, value;
            if (Classify(line, name, &value) == TLineKind::Key)
                out.push_back(std::string(name) + "=" + std::string(value));
        }
    return out;
}

std::string TIniDocument::Text() const {
    std::size_t size = bom_ ? 3 : 0;
    for (const TSection& s : sections_) {
        size += s.Header.size();
        for (const std::string& line : s.Lines)
            size += line.size();
    }
    std::string out;
    out.reserve(size);
    if (bom_)
        out = "\xEF\xBB\xBF";
    for (const TSection& s : sections_) {
        out += s.Header;
        for (const std::string& line : s.Lines)
            out += line;
    }
    return out;
}

} // namespace hostaq
