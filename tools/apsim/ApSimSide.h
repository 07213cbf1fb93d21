// TApSimSide: one side of the simulated access point (its web pages, its port 8765, and in time
// its serial boot code). The simulator starts its sides in order and stops them in reverse.
#pragma once

#include <string>

class TApSimSide {
public:
    virtual ~TApSimSide() = default;
    // A short name for messages ("http", "stream").
    virtual std::string Name() const = 0;
    // Starts serving; false with an error text when it cannot.
    virtual bool Start(std::string& error) = 0;
    // Stops serving and waits until its threads have ended. Safe to call twice.
    virtual void Stop() = 0;
};
