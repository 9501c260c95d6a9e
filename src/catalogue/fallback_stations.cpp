#include <string>

#include "catalogue/station_repository.hpp"

namespace quilvo {

namespace {

constexpr const char* kSomaFM = "https://ice1.somafm.com";
constexpr const char* kFip = "https://icecast.radiofrance.fr";
constexpr const char* kSrg = "https://stream.srg-ssr.ch";
constexpr const char* kRadioParadise = "https://stream.radioparadise.com";

Station builtIn(const char* id, const char* name, const char* source, const char* host,
                const char* path, std::set<Mood> moods, Mood primary) {
    return Station{id,     name, std::string(host) + path, std::nullopt, std::move(moods), primary,
                   source, true};
}

std::vector<Station> makeFallbackStations() {
    using M = Mood;
    return {
        builtIn("groovesalad", "Groove Salad", "SomaFM", kSomaFM, "/groovesalad-128-mp3", {M::calm},
                M::calm),
        builtIn("fluid", "Fluid", "SomaFM", kSomaFM, "/fluid-128-mp3", {M::calm}, M::calm),
        builtIn("secretagent", "Secret Agent", "SomaFM", kSomaFM, "/secretagent-128-mp3", {M::calm},
                M::calm),
        builtIn("spacestation", "Space Station", "SomaFM", kSomaFM, "/spacestation-128-mp3",
                {M::calm}, M::calm),
        builtIn("sonicuniverse", "Sonic Universe", "SomaFM", kSomaFM, "/sonicuniverse-128-mp3",
                {M::calm}, M::calm),
        builtIn("fipjazz", "FIP Jazz", "FIP", kFip, "/fipjazz-midfi.mp3", {M::calm}, M::calm),
        builtIn("radioswissclassic", "Radio Swiss Classic", "SRG", kSrg, "/m/rsc_de/mp3_128",
                {M::calm, M::sleep}, M::calm),
        builtIn("mellow", "Mellow Mix", "Radio Paradise", kRadioParadise, "/mellow-128", {M::calm},
                M::calm),
        builtIn("lush", "Lush", "SomaFM", kSomaFM, "/lush-128-mp3", {M::bright}, M::bright),
        builtIn("bootliquor", "Boot Liquor", "SomaFM", kSomaFM, "/bootliquor-128-mp3", {M::bright},
                M::bright),
        builtIn("indiepop", "Indie Pop Rocks!", "SomaFM", kSomaFM, "/indiepop-128-mp3", {M::bright},
                M::bright),
        builtIn("poptron", "PopTron", "SomaFM", kSomaFM, "/poptron-128-mp3", {M::bright},
                M::bright),
        builtIn("fip", "FIP", "FIP", kFip, "/fip-midfi.mp3", {M::bright}, M::bright),
        builtIn("suburbsofgoa", "Suburbs of Goa", "SomaFM", kSomaFM, "/suburbsofgoa-128-mp3",
                {M::bright}, M::bright),
        builtIn("illstreet", "Illinois Street Lounge", "SomaFM", kSomaFM, "/illstreet-128-mp3",
                {M::bright}, M::bright),
        builtIn("reggae", "Heavyweight Reggae", "SomaFM", kSomaFM, "/reggae-128-mp3", {M::bright},
                M::bright),
        builtIn("fipgroove", "FIP Groove", "FIP", kFip, "/fipgroove-midfi.mp3",
                {M::bright, M::energy}, M::bright),
        builtIn("beatblender", "Beat Blender", "SomaFM", kSomaFM, "/beatblender-128-mp3",
                {M::energy}, M::energy),
        builtIn("thetrip", "The Trip", "SomaFM", kSomaFM, "/thetrip-128-mp3", {M::energy},
                M::energy),
        builtIn("u80s", "Underground 80s", "SomaFM", kSomaFM, "/u80s-128-mp3", {M::energy},
                M::energy),
        builtIn("dubstep", "Dub Step Beyond", "SomaFM", kSomaFM, "/dubstep-128-mp3", {M::energy},
                M::energy),
        builtIn("defcon", "DEF CON Radio", "SomaFM", kSomaFM, "/defcon-128-mp3", {M::energy},
                M::energy),
        builtIn("dronezone", "Drone Zone", "SomaFM", kSomaFM, "/dronezone-128-mp3", {M::sleep},
                M::sleep),
        builtIn("deepspaceone", "Deep Space One", "SomaFM", kSomaFM, "/deepspaceone-128-mp3",
                {M::sleep}, M::sleep),
        builtIn("missioncontrol", "Mission Control", "SomaFM", kSomaFM, "/missioncontrol-128-mp3",
                {M::sleep}, M::sleep),
    };
}

}  // namespace

const std::vector<Station>& fallbackStations() {
    static const std::vector<Station> stations = makeFallbackStations();
    return stations;
}

}  // namespace quilvo
