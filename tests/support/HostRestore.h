// What a VST host keeps of a plug-in with program chunks when it saves a project (the bank
// chunk, the current program, every parameter's value) and the orders in which real hosts hand
// it back on reopening. Shared by the restore tests of both VST plug-ins.
#pragma once

#include "tools/vsthost/VstHost.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace hostrestore {

using Bytes = std::vector<uint8_t>;
using Audio = std::vector<std::vector<float>>;

// A saved instance, and what it sounds like once saved.
struct Saved {
    Bytes bank;
    VstIntPtr program;
    std::vector<float> params;
    Audio sound;
};

inline Saved save(vsthost::Plugin& p, const Audio& signal) {
    Saved s;
    s.bank = p.getChunk(false);
    s.program = p.dispatch(effGetProgram);
    for (int i = 0; i < p.numParams(); ++i)
        s.params.push_back(p.getParameter(i));
    p.dispatch(effMainsChanged, 0, 1);
    s.sound = p.render(signal, 512);
    return s;
}

inline void setStoredParameters(vsthost::Plugin& p, const Saved& s) {
    for (int i = 0; i < p.numParams(); ++i)
        p.setParameter(i, s.params[static_cast<std::size_t>(i)]);
}

inline void setBank(vsthost::Plugin& p, const Saved& s) {
    EXPECT_EQ(p.setChunk(s.bank, false), static_cast<VstIntPtr>(s.bank.size()));
}

using Restore = std::function<void(vsthost::Plugin&, const Saved&)>;

// Restore sequences observed in hosts reopening a saved project.
struct HostOrder {
    const char* host;
    Restore restore;
};
inline const HostOrder kHostOrders[] = {
    {"stored parameters, mains on, program, bank, names, mains on",
     [](vsthost::Plugin& p, const Saved& s) {
         setStoredParameters(p, s);
         p.dispatch(effMainsChanged, 0, 1);
         p.dispatch(effSetProgram, 0, s.program);
         setBank(p, s);
         char name[64];
         for (int i = 0; i < p.numPrograms(); ++i)
             p.dispatch(effGetProgramNameIndexed, i, -1, name);
         p.dispatch(effMainsChanged, 0, 1);
     }},
    {"program, stored parameters, bank",
     [](vsthost::Plugin& p, const Saved& s) {
         p.dispatch(effSetProgram, 0, s.program);
         setStoredParameters(p, s);
         setBank(p, s);
     }},
    {"program 0 after opening, then the bank",
     [](vsthost::Plugin& p, const Saved& s) {
         p.dispatch(effOpen);
         p.dispatch(effSetProgram, 0, 0);
         setBank(p, s);
     }},
};

// Reopens `saved` in a fresh instance of `plugin` in every host order and checks that the
// program, every parameter, the bank's bytes and the sound come back.
inline void expectEveryHostOrderRestores(const std::string& plugin, const Saved& saved,
                                         const Audio& signal) {
    for (const HostOrder& order : kHostOrders) {
        SCOPED_TRACE(std::string(order.host) + ", saved on program " +
                     std::to_string(saved.program));
        vsthost::Plugin p(plugin);
        order.restore(p, saved);
        EXPECT_EQ(p.dispatch(effGetProgram), saved.program);
        for (int i = 0; i < p.numParams(); ++i)
            EXPECT_EQ(p.getParameter(i), saved.params[static_cast<std::size_t>(i)]) << i;
        EXPECT_EQ(p.getChunk(false), saved.bank);
        p.dispatch(effMainsChanged, 0, 1);
        EXPECT_TRUE(p.render(signal, 512) == saved.sound);
    }
}

} // namespace hostrestore
