// The command line of tivra-cli: one table of options per sub-command, the parser that reads
// arguments against such a table, and the help text and manual page made from the same tables,
// so that what --help says, what the manual says and what is accepted never drift apart.
// Option names follow the wizard's fields ("--address" for "IPアドレス"); help texts are UTF-8.
#pragma once

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

struct TCliOption {
    std::string Name;         // without the leading "--"
    std::string Value;        // placeholder of the value ("FILE"); empty for a flag
    std::string Caption;      // the wizard's caption of the field this option fills, or empty
    std::string Help;         // one or two sentences
    bool Repeatable = false;  // may be given more than once (each value is kept)
    // Not an option but the words of the command line that are not options ("FILE..."): Name
    // is their placeholder, and Values(Name) lists them.
    bool Operand = false;
};

// A usage error: the message goes to standard error with a hint, and the status is 64.
class ECliUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The options given on one command line. Lookups of a name that the command's table does not
// hold are programming errors and throw std::logic_error, so a handler cannot silently read an
// option that can never be set.
class TCliArguments {
public:
    TCliArguments() = default;
    explicit TCliArguments(const std::vector<TCliOption>& table);

    // True when the command's table holds the option (given or not).
    bool Offers(const std::string& name) const { return known_.count(name) != 0; }
    bool Has(const std::string& name) const;
    // The value given (the last one of a repeated option), or fallback when the option was not
    // given.
    std::string Value(const std::string& name, const std::string& fallback = "") const;
    // Every value given, in order; empty when the option was not given.
    std::vector<std::string> Values(const std::string& name) const;
    // The value as a number in [min, max]; a value that is not one is a usage error.
    long Number(const std::string& name, long fallback, long min, long max) const;

    void Set(const std::string& name, const std::string& value);

private:
    void Known(const std::string& name) const;

    std::set<std::string> known_;
    std::map<std::string, std::vector<std::string>> values_;
};

// Reads "--name value", "--name=value" and "--name" flags; "--" ends the options. A flag given
// a value, a value option without one, an unknown option, a repeated option or a word that is
// not an option is a usage error; an option marked Repeatable may be given again, and a
// table with an Operand entry takes the words that are not options (also all after "--").
TCliArguments ParseCliArguments(const std::vector<TCliOption>& table,
                                const std::vector<std::string>& arguments);

// The option list of --help: one entry per option, the caption and help wrapped to width.
std::string CliOptionHelp(const std::vector<TCliOption>& table, int width = 80);

// Text escaped for a roff (manual page) line.
std::string RoffEscape(const std::string& text);
