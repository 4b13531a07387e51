// ptsim: the Pro Tools host simulator as a command. Loads a plug-in library as the host does and
// shows what it declares, the controls of an instance with their values, and saved sessions.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "EditCommand.h"
#include "PtSim.h"

namespace {

constexpr const char* kUsage =
    "usage: ptsim [--plugin PATH] COMMAND [options]\n"
    "\n"
    "Loads a Pro Tools plug-in library (default: build/wendle.so) the way the host does:\n"
    "open and close procedures, WinPlugInOpen(73), the routine table, the effect group.\n"
    "\n"
    "commands:\n"
    "  info                 what the plug-in declares: names, manufacturer, version, default\n"
    "                       view, gestalts, effect types with IDs and stem formats\n"
    "  controls             the controls of a new instance: number, ID, names, kind, range,\n"
    "                       step, default, 32-bit value, the control's text and what the\n"
    "                       effect shows\n"
    "  chunks               the chunks an instance declares, with their sizes\n"
    "  save FILE            saves the complete state of a new instance (controls chunk and\n"
    "                       the plug-in's own chunks) to a session file\n"
    "  load FILE            restores a session file into a new instance and lists its controls\n"
    "  edit                 opens the plug-in's editor in a plug-in window on the X display,\n"
    "                       drives its idle and redraw at 30 Hz while audio renders through\n"
    "                       the instance in real time, and prints the edits that reach the\n"
    "                       host's automation (touch, values, release) as the lanes record them\n"
    "\n"
    "options (controls, chunks, save, load):\n"
    "  --mono | --stereo    which effect type to instantiate (default: stereo; load takes\n"
    "                       the session's own type)\n"
    "  --rate HZ            sample rate (default 44100)\n"
    "  --set NAME=VALUE     sets a control in its own units (dB, steps, 1/0 for on/off),\n"
    "                       within its range; NAME is the long or short name or the ID;\n"
    "                       repeatable, applied in order, after a load\n"
    "  --raw NAME=VALUE     sets a control's 32-bit value (-2147483648 ... 2147483647)\n"
    "\n"
    "options (edit):\n"
    "  --input AUDIO        audio file to loop through the instance (its sample rate is the\n"
    "                       instance's); default: generated noise\n"
    "  --tempo BPM          host tempo for the tempo-locked LFO (default 120)\n"
    "  --seconds S          close the editor after S seconds (default: when the window closes)\n"
    "\n"
    "Bad arguments end the command with a message and exit status 2.\n";

struct Options {
    std::string plugin;
    std::string command;
    std::string file;
    int channels = 2;
    bool channelsGiven = false; // --mono or --stereo given
    double rate = 44100.0;
    bool rateGiven = false;
    std::string input;
    double tempo = 120.0;
    double seconds = 0.0;
    bool editOptions = false;     // --input, --tempo or --seconds given
    bool instanceOptions = false; // --mono, --stereo, --rate, --set or --raw given
    std::vector<std::pair<std::string, std::string>> sets; // "units" or "raw", "NAME=VALUE"
};

[[noreturn]] void fail(const std::string& message) {
    std::cerr << "ptsim: " << message << "\n";
    std::exit(2);
}

double parseNumber(const std::string& text, const std::string& what) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v))
        fail("not a number for " + what + ": '" + text + "'");
    return v;
}

Options parse(int argc, char** argv) {
    Options o;
    std::vector<std::string> args(argv + 1, argv + argc);
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const char* name) -> std::string {
            if (i + 1 >= args.size())
                fail(std::string(name) + " needs a value");
            return args[++i];
        };
        if (a == "-h" || a == "--help") {
            std::cout << kUsage;
            std::exit(0);
        } else if (a == "--plugin") {
            o.plugin = value("--plugin");
        } else if (a == "--mono") {
            o.channels = 1;
            o.channelsGiven = o.instanceOptions = true;
        } else if (a == "--stereo") {
            o.channels = 2;
            o.channelsGiven = o.instanceOptions = true;
        } else if (a == "--rate") {
            o.rate = parseNumber(value("--rate"), "--rate");
            o.instanceOptions = o.rateGiven = true;
        } else if (a == "--input") {
            o.input = value("--input");
            o.editOptions = true;
        } else if (a == "--tempo") {
            o.tempo = parseNumber(value("--tempo"), "--tempo");
            o.editOptions = true;
            if (!(o.tempo >= 1.0 && o.tempo <= 999.0))
                fail("--tempo takes 1 ... 999 beats per minute");
        } else if (a == "--seconds") {
            o.seconds = parseNumber(value("--seconds"), "--seconds");
            o.editOptions = true;
            if (!(o.seconds > 0.0))
                fail("--seconds takes a time above 0");
        } else if (a == "--set") {
            o.sets.emplace_back("units", value("--set"));
            o.instanceOptions = true;
        } else if (a == "--raw") {
            o.sets.emplace_back("raw", value("--raw"));
            o.instanceOptions = true;
        } else if (!a.empty() && a[0] == '-') {
            fail("unknown option " + a + " (see ptsim --help)");
        } else if (o.command.empty()) {
            o.command = a;
        } else if (o.file.empty()) {
            o.file = a;
        } else {
            fail("unexpected argument " + a);
        }
    }
    if (o.command.empty()) {
        std::cerr << kUsage;
        std::exit(2);
    }
    const bool takesFile = o.command == "save" || o.command == "load";
    if (!takesFile && o.command != "info" && o.command != "controls" && o.command != "chunks" &&
        o.command != "edit")
        fail("unknown command " + o.command + " (see ptsim --help)");
    if (takesFile && o.file.empty())
        fail(o.command + " needs a FILE");
    if (!takesFile && !o.file.empty())
        fail(o.command + " takes no FILE: unexpected argument " + o.file);
    if (o.command == "info" && o.instanceOptions)
        fail("info describes the library; --mono, --stereo, --rate, --set and --raw apply to an "
             "instance (controls, chunks, save, load)");
    if (o.editOptions && o.command != "edit")
        fail("--input, --tempo and --seconds apply to edit");
    if (!(o.rate >= 1000.0 && o.rate <= 1536000.0) || o.rate != std::floor(o.rate))
        fail("--rate takes a whole number of Hz from 1000 to 1536000");
    return o;
}

// A value in a control's own units must be one it can take: 0 or 1 for on/off, a whole step of
// a discrete control, and within the range.
void checkUnits(const ptsim::ControlDesc& c, const std::string& text, double v) {
    char range[96];
    std::snprintf(range, sizeof range, "%g ... %g", c.minimum, c.maximum);
    if (c.kind == kPIControl_OnOff && v != 0.0 && v != 1.0)
        fail(text + ": " + c.longName + " is on/off and takes 1 or 0");
    if (c.kind == kPIControl_Discrete && v != std::floor(v))
        fail(text + ": " + c.longName + " takes whole steps " + range);
    if (v < c.minimum || v > c.maximum)
        fail(text + " is outside " + c.longName + "'s range " + range);
}

void applySets(ptsim::Instance& fx, const Options& o) {
    for (const auto& [kind, text] : o.sets) {
        const size_t eq = text.find('=');
        if (eq == std::string::npos)
            fail("--set and --raw take NAME=VALUE, not '" + text + "'");
        const int index = fx.controlIndex(text.substr(0, eq));
        if (index == 0)
            fail("no control named '" + text.substr(0, eq) + "'");
        const double v = parseNumber(text.substr(eq + 1), text.substr(0, eq));
        PIErr err;
        if (kind == "raw") {
            if (v < -2147483648.0 || v > 2147483647.0 || v != std::floor(v))
                fail("a 32-bit control value is a whole number in -2147483648 ... 2147483647");
            err = fx.setControl(index, static_cast<int32_t>(v));
        } else {
            checkUnits(fx.controls()[static_cast<size_t>(index - 1)], text, v);
            err = fx.setControlUnits(index, v);
        }
        if (err)
            fail("the plug-in refused " + text + " (error " + std::to_string(err) + ")");
    }
}

} // namespace

int main(int argc, char** argv) {
    const Options o = parse(argc, argv);
    try {
        ptsim::PlugIn plugin(o.plugin.empty() ? ptsim::PlugIn::defaultPath() : o.plugin);
        if (o.command == "info") {
            std::cout << plugin.describe();
            return 0;
        }
        std::unique_ptr<ptsim::Instance> fx;
        if (o.command == "load") {
            // A session restores into an instance of the effect type it was saved from.
            const ptsim::SessionState state = ptsim::readSession(o.file);
            int typeIndex = -1;
            for (size_t i = 0; i < plugin.types().size(); ++i)
                if (plugin.types()[i].typeID == state.typeID)
                    typeIndex = static_cast<int>(i);
            if (typeIndex < 0)
                fail(o.file + " holds a session of effect type " +
                     ptsim::fourCCString(state.typeID) + ", which the plug-in does not declare");
            const int channels = plugin.types()[static_cast<size_t>(typeIndex)].numInputs;
            if (o.channelsGiven && channels != o.channels)
                fail(o.file + " holds a " + (channels == 1 ? "mono" : "stereo") +
                     " session; it cannot be loaded with " +
                     (o.channels == 1 ? "--mono" : "--stereo"));
            fx = plugin.createInstanceOfType(typeIndex, o.rate);
            if (PIErr err = fx->restoreState(state))
                fail("the plug-in refused the session in " + o.file + " (error " +
                     std::to_string(err) + ")");
        } else if (o.command == "edit") {
            ptsim::EditOptions edit;
            edit.input = o.input;
            edit.tempo = o.tempo;
            edit.seconds = o.seconds;
            double rate = o.rate;
            if (!o.input.empty()) {
                edit.audio = ptsim::readAudio(o.input, &rate);
                if (o.rateGiven && rate != o.rate)
                    fail(o.input + " is sampled at " + std::to_string(static_cast<int>(rate)) +
                         " Hz, not at the --rate given");
            }
            fx = plugin.createInstance(o.channels, rate);
            applySets(*fx, o);
            return ptsim::runEdit(*fx, edit);
        } else {
            fx = plugin.createInstance(o.channels, o.rate);
        }
        applySets(*fx, o);
        if (o.command == "chunks") {
            for (const ptsim::ChunkDesc& c : fx->chunks())
                std::printf("%s  %-26s %6zu bytes\n", ptsim::fourCCString(c.id).c_str(),
                            c.name.c_str(), fx->chunk(c.id).size());
            return 0;
        }
        if (o.command == "save") {
            ptsim::writeSession(o.file, fx->saveState());
            std::printf("saved %zu chunks to %s\n", fx->chunks().size(), o.file.c_str());
            return 0;
        }
        std::printf("%s instance, %g Hz, latency %d samples, view \"%s\"\n",
                    fx->channels() == 1 ? "mono" : "stereo", o.rate, fx->latency(),
                    fx->view().name);
        std::cout << fx->describeControls();
        return 0;
    } catch (const ptsim::Error& e) {
        fail(e.what());
    } catch (const std::exception& e) {
        fail(e.what());
    }
}
