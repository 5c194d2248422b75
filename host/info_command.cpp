// modhost info: the module description and pin table of one plug-in library.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "host/commands.h"
#include "host/pin_table.h"

namespace modhost {

namespace {

using Json = nlohmann::ordered_json;

struct InfoOptions {
    std::string plugin;
    bool json = false;
};

intptr_t answerNothing(void*, int32_t, int32_t, int32_t, void*, float) {
    return 0;
}

std::vector<PinInfo> readPins(const PluginLibrary& library, int32_t interfaceVersion) {
    RawModule module(library, &answerNothing, nullptr);
    try {
        return listPins(module.record()->dispatcher, module.record(), interfaceVersion);
    } catch (const HostError& e) {
        throw HostError(library.path() + ": " + e.what());
    }
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);) parts.push_back(part);
    return parts;
}

std::string hex(int32_t word) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", uint32_t(word));
    return text;
}

std::string quoted(const std::string& text) {
    return '"' + text + '"';
}

bool isFileNamePin(const PinInfo& pin) {
    return pin.kind == PinKind::Text && hasFlag(pin.flags, PinFlag::FileName);
}

std::vector<EnumItem> enumItems(const PinInfo& pin) {
    return pin.kindExtra ? parseEnumItems(*pin.kindExtra) : std::vector<EnumItem>{};
}

std::string itemsOrExtension(const PinInfo& pin) {
    if (pin.kind == PinKind::Enum) {
        std::string items;
        for (const auto& item : enumItems(pin))
            items += (items.empty() ? "" : ",") + item.label + '=' + std::to_string(item.value);
        return items.empty() ? "-" : items;
    }
    if (isFileNamePin(pin) && pin.kindExtra) return *pin.kindExtra;
    return "-";
}

void printPinTable(const std::vector<PinInfo>& pins) {
    using Row = std::array<std::string, 8>;
    std::vector<Row> rows{
        {"index", "plug", "name", "direction", "kind", "default", "items/extension", "flags"}};
    for (const auto& pin : pins) {
        std::string flags = flagNames(pin.flags);
        rows.push_back({std::to_string(pin.listingIndex),
                        pin.plugIndex < 0 ? "-" : std::to_string(pin.plugIndex), quoted(pin.name),
                        directionName(pin.direction), kindName(pin.kind),
                        pin.defaultValue ? quoted(*pin.defaultValue) : "-", itemsOrExtension(pin),
                        flags.empty() ? "-" : flags});
    }
    Row::size_type columns = rows.front().size();
    std::vector<size_t> widths(columns, 0);
    for (const auto& row : rows)
        for (size_t c = 0; c < columns; ++c) widths[c] = std::max(widths[c], row[c].size());
    for (const auto& row : rows) {
        std::string line;
        for (size_t c = 0; c < columns; ++c)
            line +=
                c + 1 < columns ? row[c] + std::string(widths[c] - row[c].size() + 2, ' ') : row[c];
        std::cout << line << '\n';
    }
}

void printText(const ModuleInfo& info, const std::vector<PinInfo>& pins) {
    const std::string indent(19, ' ');
    std::cout << "name:              " << info.name << '\n'
              << "id:                " << info.id << '\n';
    std::vector<std::string> about = split(info.about, '\n');
    std::cout << "about:             " << (about.empty() ? "" : about.front()) << '\n';
    for (size_t i = 1; i < about.size(); ++i) std::cout << indent << about[i] << '\n';
    std::cout << "interface version: " << info.interfaceVersion << '\n'
              << "flags:             " << hex(info.flags) << '\n'
              << "flags2:            " << hex(info.flags2) << '\n'
              << "pins:              " << pins.size() << "\n\n";
    printPinTable(pins);
}

Json pinJson(const PinInfo& pin) {
    Json json{{"index", pin.listingIndex},
              {"plug", pin.plugIndex < 0 ? Json(nullptr) : Json(pin.plugIndex)},
              {"name", pin.name},
              {"direction", directionName(pin.direction)},
              {"kind", kindName(pin.kind)},
              {"default", pin.defaultValue ? Json(*pin.defaultValue) : Json(nullptr)}};
    if (pin.kind == PinKind::Enum) {
        Json items = Json::array();
        for (const auto& item : enumItems(pin))
            items.push_back({{"label", item.label}, {"value", item.value}});
        json["items"] = items;
    } else if (isFileNamePin(pin)) {
        json["extension"] = pin.kindExtra ? Json(*pin.kindExtra) : Json(nullptr);
    }
    std::string flags = flagNames(pin.flags);
    json["flags"] = flags.empty() ? std::vector<std::string>{} : split(flags, '|');
    return json;
}

void printJson(const ModuleInfo& info, const std::vector<PinInfo>& pins) {
    Json json{{"name", info.name},    {"id", info.id},
              {"about", info.about},  {"interfaceVersion", info.interfaceVersion},
              {"flags", info.flags},  {"flags2", info.flags2},
              {"pins", Json::array()}};
    for (const auto& pin : pins) json["pins"].push_back(pinJson(pin));
    // Library texts are not guaranteed to be UTF-8; replace what is not, rather than fail.
    std::cout << json.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

int runInfo(const InfoOptions& options) {
    try {
        PluginLibrary library(options.plugin);
        ModuleInfo info = library.describe();
        std::vector<PinInfo> pins = readPins(library, info.interfaceVersion);
        if (options.json)
            printJson(info, pins);
        else
            printText(info, pins);
        return kExitSuccess;
    } catch (const HostError& e) {
        std::cerr << "modhost info: " << e.what() << '\n';
        return kExitUsage;
    }
}

}  // namespace

void addInfoCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<InfoOptions>();
    CLI::App* command =
        app.add_subcommand("info", "Print the module description and pin table of a plug-in");
    command->add_option("plugin", options->plugin, "Plug-in file, or deliverable name")->required();
    command->add_flag("--json", options->json, "Print one JSON object instead of text");
    command->callback([options, &exitCode] { exitCode = runInfo(*options); });
}

}  // namespace modhost
