// The simulated access point as the network tests start it: on the test's own loopback
// address, with the login root:pw.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "ApSimulator.h"

// A running simulator on `address` with the options `adjust` leaves; a simulator that cannot
// start fails the test.
inline std::unique_ptr<TApSimulator> StartedApSim(
    const std::string& address, const std::function<void(TApSimOptions&)>& adjust = nullptr) {
    TApSimOptions options;
    options.Address = address;
    options.Password = "pw";
    if (adjust) adjust(options);
    auto simulator = std::make_unique<TApSimulator>(options);
    std::string error;
    EXPECT_TRUE(simulator->AddNetworkSides(error) && simulator->Start(error)) << error;
    return simulator;
}
