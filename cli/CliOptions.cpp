// Parsing a sub-command's arguments against its option table, and the help text of a table.
#include "CliOptions.h"

#include <cerrno>
#include <cstdlib>

namespace {

const TCliOption* Find(const std::vector<TCliOption>& table, const std::string& name) {
    for (const TCliOption& option : table) {
        if (option.Name == name) return &option;
    }
    return nullptr;
}

// Display width of UTF-8 text: East Asian characters (three-byte sequences here) take two
// columns, everything else one.
int Columns(const std::string& text) {
    int columns = 0;
    for (std::size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        columns += length >= 3 ? 2 : 1;
        i += static_cast<std::size_t>(length);
    }
    return columns;
}

// Words of text joined into lines of at most width columns, each line after the first
// starting with indent.
std::string Wrap(const std::string& text, int firstColumn, int indent, int width) {
    std::string out;
    int column = firstColumn;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        std::string word = text.substr(start, end - start);
        start = end + 1;
        if (word.empty()) continue;
        int wordColumns = Columns(word);
        if (column > indent && column + 1 + wordColumns > width) {
            out += "\n" + std::string(static_cast<std::size_t>(indent), ' ');
            column = indent;
        } else if (column > indent) {
            out += ' ';
            ++column;
        }
        out += word;
        column += wordColumns;
    }
    return out;
}

}  // namespace

TCliArguments::TCliArguments(const std::vector<TCliOption>& table) {
    for (const TCliOption& option : table) known_.insert(option.Name);
}

void TCliArguments::Known(const std::string& name) const {
    if (!known_.count(name)) throw std::logic_error("option --" + name + " is not in the table");
}

bool TCliArguments::Has(const std::string& name) const {
    Known(name);
    return values_.count(name) != 0;
}

std::string TCliArguments::Value(const std::string& name, const std::string& fallback) const {
    Known(name);
    auto found = values_.find(name);
    return found == values_.end() ? fallback : found->second.back();
}

std::vector<std::string> TCliArguments::Values(const std::string& name) const {
    Known(name);
    auto found = values_.find(name);
    return found == values_.end() ? std::vector<std::string>() : found->second;
}

long TCliArguments::Number(const std::string& name, long fallback, long min, long max) const {
    if (!Has(name)) return fallback;
    std::string text = Value(name);
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < min || value > max) {
        throw ECliUsage("--" + name + " takes a number from " + std::to_string(min) + " to " +
                        std::to_string(max) + ", not \"" + text + "\"");
    }
    return value;
}

void TCliArguments::Set(const std::string& name, const std::string& value) {
    Known(name);
    values_[name].push_back(value);
}

TCliArguments ParseCliArguments(const std::vector<TCliOption>& table,
                                const std::vector<std::string>& arguments) {
    TCliArguments parsed(table);
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (word == "--") {
            if (i + 1 < arguments.size()) {
                throw ECliUsage("unexpected argument \"" + arguments[i + 1] + "\"");
            }
            break;
        }
        if (word.size() < 3 || word.compare(0, 2, "--") != 0) {
            throw ECliUsage("unexpected argument \"" + word + "\"");
        }
        std::size_t equals = word.find('=');
        std::string name = word.substr(2, equals == std::string::npos ? equals : equals - 2);
        const TCliOption* option = Find(table, name);
        if (!option) throw ECliUsage("unknown option --" + name);
        if (parsed.Has(name) && !option->Repeatable)
            throw ECliUsage("--" + name + " is given twice");
        std::string value;
        if (option->Value.empty()) {
            if (equals != std::string::npos) throw ECliUsage("--" + name + " takes no value");
        } else if (equals != std::string::npos) {
            value = word.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            throw ECliUsage("--" + name + " needs a value (" + option->Value + ")");
        }
        parsed.Set(name, value);
    }
    return parsed;
}

std::string CliOptionHelp(const std::vector<TCliOption>& table, int width) {
    constexpr int kIndent = 8;
    std::string out;
    for (const TCliOption& option : table) {
        std::string head = "  --" + option.Name;
        if (!option.Value.empty()) head += " " + option.Value;
        std::string text =
            option.Caption.empty() ? option.Help : "[" + option.Caption + "] " + option.Help;
        out += head + "\n" + std::string(kIndent, ' ') + Wrap(text, kIndent, kIndent, width) + "\n";
    }
    return out;
}

std::string RoffEscape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
    }
    // A line that starts with a dot or an apostrophe would be read as a request.
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}
