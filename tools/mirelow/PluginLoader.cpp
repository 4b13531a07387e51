// Finding and loading plug-ins by name or path.
#include "Error.h"
#include "Plugin.h"
#include "VstPlugin.h"
#ifdef MIRELOW_HAVE_PTSIM
#include "ProToolsPlugin.h"
#endif

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace mirelow {
namespace {

bool isFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string baseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The built plug-ins sit beside the executable in the build tree; installed, in PREFIX/lib/vst
// and PREFIX/lib/protools beside PREFIX/bin.
std::string findBuiltPlugin(const std::string& name) {
    const std::string dir = executableDir();
    const std::string candidates[] = {dir + "/" + name + ".so", dir + "/../lib/vst/" + name + ".so",
                                      dir + "/../lib/protools/" + name + ".so"};
    for (const auto& c : candidates)
        if (isFile(c)) {
            char resolved[PATH_MAX];
            return ::realpath(c.c_str(), resolved) ? std::string(resolved) : c;
        }
    throw Error("plug-in '" + name + "' not found (looked for " + candidates[0] +
                ", ../lib/vst and ../lib/protools)");
}

std::unique_ptr<Plugin> loadProTools([[maybe_unused]] const std::string& path,
                                     [[maybe_unused]] double sampleRate,
                                     [[maybe_unused]] int channels) {
#ifdef MIRELOW_HAVE_PTSIM
    return std::make_unique<ProToolsPlugin>(path, sampleRate, channels);
#else
    throw Error("cannot load " + path + ": this build has no Pro Tools simulator");
#endif
}

} // namespace

std::string executableDir() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return ".";
    std::string path(buf, static_cast<std::size_t>(n));
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::unique_ptr<Plugin> loadPlugin(const std::string& nameOrPath, double sampleRate, int channels) {
    if (nameOrPath == "tidemill")
        return std::make_unique<VstPlugin>(findBuiltPlugin("tidemill"), sampleRate);
    if (nameOrPath == "wendle")
        return loadProTools(findBuiltPlugin("wendle"), sampleRate, channels);
    if (baseName(nameOrPath) == "wendle.so")
        return loadProTools(nameOrPath, sampleRate, channels);
    if (nameOrPath.find('/') == std::string::npos) {
        if (!isFile(nameOrPath))
            throw Error("unknown plug-in '" + nameOrPath +
                        "': give tidemill, wendle or the path of a VST 2.4 shared object");
        // The dynamic loader searches its library path for a bare name, never the current folder.
        return std::make_unique<VstPlugin>("./" + nameOrPath, sampleRate);
    }
    return std::make_unique<VstPlugin>(nameOrPath, sampleRate);
}

} // namespace mirelow
