#include "device/BackendPlugin.h"

#include <algorithm>
#include <utility>

namespace qzt {
namespace {

std::vector<BackendPlugin>& Registry() {
    static std::vector<BackendPlugin> plugins;
    return plugins;
}

}  // namespace

void RegisterBackend(BackendPlugin plugin) {
    std::vector<BackendPlugin>& plugins = Registry();
    const auto same = std::find_if(plugins.begin(), plugins.end(),
                                   [&](const BackendPlugin& p) { return p.name == plugin.name; });
    if (same != plugins.end()) {
        *same = std::move(plugin);
    } else {
        plugins.push_back(std::move(plugin));
    }
}

const BackendPlugin* FindBackend(std::string_view name) {
    for (const BackendPlugin& plugin : Registry()) {
        if (plugin.name == name) {
            return &plugin;
        }
    }
    return nullptr;
}

const std::vector<BackendPlugin>& AddedBackends() {
    return Registry();
}

}  // namespace qzt
