// What a run over several access points shows while it goes: one progress view per access
// point, each on its own thread, all writing through one shared output that keeps lines whole.
// On a terminal every running access point has a progress line of its own, the lines redrawn in
// place with cursor movement and everything else written above them; otherwise each line of
// the plain form starts with the access point's address; JSON events carry an "address" member.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "ProgressView.h"

class TRunOutput;

class TRunDisplay {
public:
    TRunDisplay(TProgressView::Kind kind, const TTerminalText& text, std::FILE* out,
                std::FILE* err);
    ~TRunDisplay();
    TRunDisplay(const TRunDisplay&) = delete;
    TRunDisplay& operator=(const TRunDisplay&) = delete;

    // A new view for one access point (any thread may use its own view).
    std::unique_ptr<TProgressView> ViewFor(const std::string& address);
    // The access point's run has ended: its progress line leaves the terminal.
    void Ended(const std::string& address);
    // Text of the run itself (terminal encoding), without an address.
    void Plain(std::FILE* stream, const std::string& text);

private:
    TProgressView::Kind kind_;
    const TTerminalText& text_;
    std::FILE* out_;
    std::FILE* err_;
    std::shared_ptr<TRunOutput> output_;
};
