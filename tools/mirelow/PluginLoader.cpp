// Finding and loading plug-ins by name or path.
#include "Error.h"
#include "Plugin.h"
#include "VstPlugin.h"
#ifdef MIRELOW_HAVE_PTSIM
#include "ProToolsPlugin.h"
#endif

#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mirelow {
namespace {

bool isFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A built plug-in: `file` beside the executable in the build tree; installed, `installed` under
// PREFIX/lib beside PREFIX/bin.
std::string findBuiltPlugin(const std::string& name, const std::string& file,
                            const std::string& installed) {
    const std::string dir = executableDir();
    const std::string candidates[] = {dir + "/" + file, dir + "/../lib/" + installed};
    for (const auto& c : candidates)
        if (isFile(c)) {
            char resolved[PATH_MAX];
            return ::realpath(c.c_str(), resolved) ? std::string(resolved) : c;
        }
    throw Error("plug-in '" + name + "' not found (looked for " + candidates[0] + " and ../lib/" +
                installed + ")");
}

// A library with the Pro Tools entry and no VST one is for the simulator; everything else is
// taken as VST 2.4, whose host reports what is wrong with it. The probe's handle is kept until
// the plug-in has loaded the library itself, so that it is opened once.
class LibraryProbe {
  public:
    explicit LibraryProbe(const std::string& path)
        : handle(::dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL)) {}
    ~LibraryProbe() {
        if (handle)
            ::dlclose(handle);
    }
    LibraryProbe(const LibraryProbe&) = delete;
    LibraryProbe& operator=(const LibraryProbe&) = delete;

    bool isProTools() const {
        return handle && ::dlsym(handle, "NewPlugIn") && !::dlsym(handle, "VSTPluginMain");
    }

  private:
    void* handle;
};

// A plug-in's library, once loaded, stays loaded for the rest of the run, as a host keeps the
// modules it has opened: the instances after the first (the render after a learn pass, every file
// of a batch) find it mapped, relocated and initialised. A library that does not load is left
// for the plug-in's own loading to report.
void keepLoaded(const std::string& path) {
    ::dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE);
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
    auto built = [&](const std::string& file, const std::string& installed) {
        std::string path = findBuiltPlugin(nameOrPath, file, installed);
        keepLoaded(path);
        return path;
    };
    if (nameOrPath == "tidemill")
        return std::make_unique<VstPlugin>(built("tidemill.so", "vst/tidemill.so"), sampleRate);
    if (nameOrPath == "wendle")
        return loadProTools(built("wendle.so", "protools/wendle.so"), sampleRate, channels);
    if (nameOrPath == "wendle-vst")
        return std::make_unique<VstPlugin>(built("wendle-vst.so", "vst/wendle.so"), sampleRate);
    std::string path = nameOrPath;
    if (nameOrPath.find('/') == std::string::npos) {
        if (!isFile(nameOrPath))
            throw Error("unknown plug-in '" + nameOrPath +
                        "': give tidemill, wendle, wendle-vst or the path of a VST 2.4 shared "
                        "object");
        // The dynamic loader searches its library path for a bare name, never the current folder.
        path = "./" + nameOrPath;
    }
    const LibraryProbe probe(path);
    keepLoaded(path);
    if (probe.isProTools())
        return loadProTools(path, sampleRate, channels);
    return std::make_unique<VstPlugin>(path, sampleRate);
}

} // namespace mirelow
