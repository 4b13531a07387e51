// What build/wendle.so declares to the host, its entry points and open/close counting, and the
// controls of its instances.
#include "WendleFixture.h"

#include <dlfcn.h>

using namespace wendletest;

TEST_F(WendleTest, GroupAndTypesDeclareTheirNamesIdsAndStemFormats) {
    const PIGroupInfo& g = plugin->group();
    EXPECT_STREQ(g.manufacturerNames, "Mirelow\n");
    EXPECT_EQ(g.manufacturerID, fourCharCode("MRLW"));
    EXPECT_STREQ(g.plugInNames, "Mirelow +wendle\n+wendle\n+wdl");
    EXPECT_EQ(g.version, 1);
    EXPECT_STREQ(g.defaultView, "NoUIView");
    EXPECT_TRUE(plugin->groupGestalt(14));
    EXPECT_FALSE(plugin->groupGestalt(8));

    struct Expected {
        const char* typeID;
        int32_t stemFormat;
        int32_t channels;
    };
    const Expected expected[] = {{"+wd1", kPIStemFormat_Mono, 1},
                                 {"+wd2", kPIStemFormat_Stereo, 2}};
    ASSERT_EQ(plugin->types().size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const PITypeInfo& t = plugin->types()[i];
        EXPECT_EQ(ptsim::fourCCString(t.typeID), expected[i].typeID);
        EXPECT_EQ(t.productID, fourCharCode("+wdl"));
        EXPECT_EQ(t.kind, kPIType_RTAS);
        EXPECT_EQ(t.inStemFormat, expected[i].stemFormat);
        EXPECT_EQ(t.outStemFormat, expected[i].stemFormat);
        EXPECT_EQ(t.numInputs, expected[i].channels);
        EXPECT_EQ(t.numOutputs, expected[i].channels);
        EXPECT_EQ(t.attributes, 6);
        EXPECT_STREQ(t.names, "Mirelow +wendle\n+wendle\n+wdl");
        EXPECT_STREQ(t.pageTableName, "WendlePageTables");
        for (int32_t selector : {8, 48, 30, 29})
            EXPECT_TRUE(plugin->typeGestalt(static_cast<int>(i), selector)) << selector;
        EXPECT_FALSE(plugin->typeGestalt(static_cast<int>(i), 14));
    }
}

TEST_F(WendleTest, OnlyTheHostEntryPointsAreExported) {
    void* handle = dlopen(pluginPath().c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(handle, nullptr);
    for (const char* name :
         {"NewPlugIn", "WinPlugInOpen", "WinPlugInClose", "_PI_GetRoutineDescriptor"})
        EXPECT_NE(dlsym(handle, name), nullptr) << name;
    for (const char* name : {"VSTPluginMain", "main", "SetPlugInOpenAndCloseProcs"})
        EXPECT_EQ(dlsym(handle, name), nullptr) << name;
    dlclose(handle);
}

TEST_F(WendleTest, RoutineDescriptorsExistForSelectorsZeroTo167Only) {
    for (int32_t selector : {-1, 168, 169, 100000, INT32_MIN}) {
        void* routine = reinterpret_cast<void*>(1);
        EXPECT_EQ(plugin->getRoutineDescriptor(selector, &routine), kPIErr_BadSelector);
        EXPECT_EQ(routine, nullptr) << selector;
    }
    for (int32_t selector : {0, 1, 23, 24, 100, 167}) {
        void* routine = nullptr;
        EXPECT_EQ(plugin->getRoutineDescriptor(selector, &routine), kPINoErr);
        EXPECT_NE(routine, nullptr) << selector;
    }
    void* reserved = nullptr;
    plugin->getRoutineDescriptor(167, &reserved);
    EXPECT_EQ(reinterpret_cast<PIReservedProc>(reserved)(), kPIErr_Unsupported);
}

TEST_F(WendleTest, OpensNestAndOnlyTheLastCloseDestroysTheGroup) {
    EXPECT_TRUE(plugin->openAndCloseProcsHandedOver());
    auto groupAnswers = [&] {
        void* routine = nullptr;
        plugin->getRoutineDescriptor(kPIRoutine_GetGroupInfo, &routine);
        PIGroupInfo info{};
        return reinterpret_cast<PIGetGroupInfoProc>(routine)(&info) == kPINoErr;
    };
    // A version other than 73 is refused and opens nothing.
    EXPECT_EQ(plugin->winPlugInOpen(72), -1);
    EXPECT_EQ(plugin->winPlugInOpen(0), -1);
    EXPECT_TRUE(groupAnswers());

    // Opened once by loading; a second open and its close only count.
    EXPECT_EQ(plugin->winPlugInOpen(73), 0);
    EXPECT_EQ(plugin->openProc()(), kPINoErr);
    EXPECT_EQ(plugin->closeProc()(), kPINoErr);
    EXPECT_EQ(plugin->winPlugInClose(), 0);
    EXPECT_TRUE(groupAnswers());

    // The last close destroys the group; a stray close changes nothing; reopening rebuilds it.
    EXPECT_EQ(plugin->winPlugInClose(), 0);
    EXPECT_FALSE(groupAnswers());
    EXPECT_EQ(plugin->winPlugInClose(), 0);
    EXPECT_EQ(plugin->winPlugInOpen(73), 0);
    EXPECT_TRUE(groupAnswers());
    // NewPlugIn on an open plug-in keeps its group.
    EXPECT_EQ(plugin->newPlugIn(), kPINoErr);
    EXPECT_TRUE(groupAnswers());

    // Two hosts' views of the same library share one open group.
    {
        ptsim::PlugIn second(pluginPath());
        EXPECT_STREQ(second.group().plugInNames, plugin->group().plugInNames);
    }
    EXPECT_TRUE(groupAnswers());
}

TEST_F(WendleTest, InstancesDeclareTheThirteenControlsInOrder) {
    struct Expected {
        const char* id;
        const char* longName;
        const char* shortName;
        int kind;
        double minimum, maximum, step, defaultValue;
    };
    const Expected expected[] = {
        {"bypa", "Master Bypass", "Bypass", kPIControl_OnOff, 0, 1, 1, 0},
        {"knb1", "depth", "dep", kPIControl_Linear, -2, 2, 0.01, 0},
        {"knb2", "tilt", "tlt", kPIControl_Linear, -6, 6, 0.01, 0},
        {"knb3", "filter", "flt", kPIControl_Linear, 0, 1, 0.01, 0.5},
        {"but1", "learn", "lrn", kPIControl_OnOff, 0, 1, 1, 0},
        {"but2", "reset", "rst", kPIControl_OnOff, 0, 1, 1, 0},
        {"but3", "logscale", "log", kPIControl_OnOff, 0, 1, 1, 0},
        {"knb4", "makeup gain", "gan", kPIControl_LinearGain, -60, 60, 0.1, 0},
        {"but4", "autogain", "agn", kPIControl_OnOff, 0, 1, 1, 0},
        {"but5", "stereolink", "lnk", kPIControl_OnOff, 0, 1, 1, 0},
        {"but6", "lfo sync", "lsy", kPIControl_OnOff, 0, 1, 1, 0},
        {"knb5", "lfo divisor", "ldv", kPIControl_Discrete, 1, 11, 1, 3},
        {"knb6", "lfo speed", "spd", kPIControl_Linear, 0, 10, 0.1, 0},
    };
    for (int channels : {1, 2}) {
        auto fx = plugin->createInstance(channels);
        ASSERT_EQ(fx->controls().size(), 13u);
        for (size_t i = 0; i < 13; ++i) {
            const ptsim::ControlDesc& c = fx->controls()[i];
            const Expected& e = expected[i];
            EXPECT_EQ(c.index, static_cast<int>(i + 1));
            EXPECT_EQ(ptsim::fourCCString(c.id), e.id);
            EXPECT_EQ(c.longName, e.longName);
            EXPECT_EQ(c.shortName, e.shortName);
            EXPECT_EQ(c.kind, e.kind) << e.id;
            EXPECT_EQ(c.minimum, e.minimum) << e.id;
            EXPECT_EQ(c.maximum, e.maximum) << e.id;
            EXPECT_DOUBLE_EQ(c.step, e.step) << e.id;
            EXPECT_EQ(c.defaultValue, e.defaultValue) << e.id;
            EXPECT_EQ(fx->control(c.index), c.defaultControlValue) << e.id;
            EXPECT_TRUE(c.automatable);
            EXPECT_EQ(c.masterBypass, i == 0) << e.id;
        }
        EXPECT_EQ(fx->latency(), 1024);
        // The view request makes the editor's custom view.
        EXPECT_STREQ(fx->view().name, "!NoUIView[('NoID')]");
        EXPECT_NE(fx->view().view, nullptr);
    }
}

// The effect starts from its own fresh program (depth 1, filter 0, log scale on, divisor 1);
// a new instance must nevertheless sound as its controls show (depth 0, filter 0.5, log scale off,
// divisor 3), as it will once its controls chunk is saved and restored.
TEST_F(WendleTest, NewInstanceEffectFollowsItsControlsDefaults) {
    for (int channels : {1, 2}) {
        auto fx = plugin->createInstance(channels);
        for (const ptsim::ControlDesc& c : fx->controls()) {
            if (c.masterBypass)
                continue;
            const double p =
                (static_cast<double>(fx->control(c.index)) + 2147483648.0) / 4294967295.0;
            EXPECT_NEAR(fx->algorithmValue(c.index), p, 1e-5) << c.longName;
        }
        EXPECT_EQ(fx->algorithmText(fx->requireControl("depth")), "0.00");
        EXPECT_EQ(fx->algorithmText(fx->requireControl("lfo divisor")), "3");
    }
}

// Control values reach the effect as (c + 2^31) / (2^32 - 1); the effect shows its own units.
TEST_F(WendleTest, ControlsDriveTheEffectParameters) {
    auto fx = plugin->createInstance(2);
    struct Case {
        const char* control;
        double units;
        const char* effectShows;
    };
    const Case cases[] = {
        {"tilt", 6.0, "3.00 dB"},
        {"tilt", -6.0, "-3.00 dB"},
        {"tilt", 0.0, "0.00 dB"},
        {"depth", 1.5, "1.50"},
        {"depth", -2.0, "-2.00"},
        {"filter", 0.25, "0.25"},
        {"makeup gain", -12.0, "-12.0 dB"},
        {"makeup gain", 60.0, "60.0 dB"},
        {"lfo speed", 2.5, "2.50 Hz"},
        {"autogain", 1, "On"},
        {"autogain", 0, "Off"},
        {"logscale", 1, "on"},
        {"stereolink", 1, "on"},
        {"stereolink", 0, "off"},
        {"lfo sync", 1, "1.00"},
        {"learn", 1, "on"},
        {"learn", 0, "off"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(fx->setControlUnits(c.control, c.units), kPINoErr) << c.control;
        EXPECT_EQ(fx->algorithmText(fx->requireControl(c.control)), c.effectShows)
            << c.control << " " << c.units;
    }
    // Every divisor step arrives as that divisor, also from raw values near the step.
    const int ldv = fx->requireControl("lfo divisor");
    for (int divisor = 1; divisor <= 11; ++divisor) {
        ASSERT_EQ(fx->setControlUnits(ldv, divisor), kPINoErr);
        EXPECT_EQ(fx->algorithmText(ldv), std::to_string(divisor));
        EXPECT_EQ(fx->controlText(ldv), std::to_string(divisor));
        EXPECT_FLOAT_EQ(fx->algorithmValue(ldv), (divisor - 1) * 0.1f);
        ASSERT_EQ(fx->setControlNormalised(ldv, (divisor - 1) / 10.0 - 0.02), kPINoErr);
        EXPECT_EQ(fx->algorithmText(ldv), std::to_string(divisor));
    }
    // Bad control numbers are refused.
    EXPECT_EQ(fx->setControl(0, 0), kPIErr_BadIndex);
    EXPECT_EQ(fx->setControl(14, 0), kPIErr_BadIndex);
}
