#include "files/Identity.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "files/AtomicFile.h"
#include "files/Sha256.h"
#include "link/CatalogueTexts.h"

namespace {

const char* const FamilyNames[] = {"BX", "DX", "FX"};

std::string FamilyName(int family) {
    return family >= 0 && family <= 2 ? FamilyNames[family] : std::to_string(family);
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// A flat JSON object of strings, numbers and booleans: all an identity file
// holds. Values keep their text; strings are unescaped.
class FlatJson {
public:
    explicit FlatJson(const std::string& text) : text_(text) {}

    bool Parse(std::map<std::string, std::string>& values, std::string& error) {
        Skip();
        if (!Take('{')) return Fail(error, "no object");
        Skip();
        if (Take('}')) return true;
        for (;;) {
            std::string key, value;
            Skip();
            if (!String(key)) return Fail(error, "a key is not a string");
            Skip();
            if (!Take(':')) return Fail(error, "no colon after a key");
            Skip();
            if (!Value(value)) return Fail(error, "a value is not a string, number or boolean");
            values[key] = value;
            Skip();
            if (Take('}')) break;
            if (!Take(',')) return Fail(error, "no comma between values");
        }
        Skip();
        return at_ == text_.size() || Fail(error, "text after the object");
    }

private:
    bool Fail(std::string& error, const char* what) {
        error = std::string(what) + " (at character " + std::to_string(at_) + ")";
        return false;
    }
    void Skip() {
        while (at_ < text_.size() && std::strchr(" \t\r\n", text_[at_]) != nullptr) ++at_;
    }
    bool Take(char c) {
        if (at_ >= text_.size() || text_[at_] != c) return false;
        ++at_;
        return true;
    }
    bool String(std::string& out) {
        if (!Take('"')) return false;
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"') return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size()) return false;
            const char e = text_[at_++];
            if (e == 'u') {
                if (at_ + 4 > text_.size()) return false;
                const unsigned long code = std::strtoul(text_.substr(at_, 4).c_str(), nullptr, 16);
                at_ += 4;
                out += code < 0x80 ? static_cast<char>(code) : '?';
            } else {
                const char* from = "\"\\/bfnrt";
                const char* to = "\"\\/\b\f\n\r\t";
                const char* at = std::strchr(from, e);
                if (at == nullptr) return false;
                out += to[at - from];
            }
        }
        return false;
    }
    bool Value(std::string& out) {
        if (at_ < text_.size() && text_[at_] == '"') return String(out);
        const std::size_t start = at_;
        while (at_ < text_.size() && std::strchr(",} \t\r\n", text_[at_]) == nullptr) ++at_;
        out = text_.substr(start, at_ - start);
        return !out.empty();
    }

    const std::string& text_;
    std::size_t at_ = 0;
};

int Number(const std::map<std::string, std::string>& values, const char* key) {
    const auto it = values.find(key);
    return it == values.end() ? 0 : std::atoi(it->second.c_str());
}

std::string Text(const std::map<std::string, std::string>& values, const char* key) {
    const auto it = values.find(key);
    return it == values.end() ? std::string() : it->second;
}

bool Flag(const std::map<std::string, std::string>& values, const char* key) {
    return Text(values, key) == "true";
}

bool ReadAll(const std::string& path, std::string& text, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::strerror(errno);
        return false;
    }
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return true;
}

}  // namespace

DriveIdentity IdentityOf(const DriveState& state, const MainPanel& panel) {
    DriveIdentity identity;
    identity.AmpFamily = state.AmpFamily;
    identity.FxVersion = state.FxVersion;
    identity.QrvFlag = state.QrvFlag;
    identity.LqrvFlag = state.LqrvFlag;
    identity.YzFlag = state.YzFlag;
    identity.Model = panel.MainMsg5;
    identity.CpuLabel = panel.CPULabel;
    identity.EepLabel = panel.EEPLabel;
    identity.CpuDate = state.CpuDate;
    return identity;
}

std::string UtcTimeText(std::time_t time, const char* format) {
    std::tm parts{};
    gmtime_r(&time, &parts);
    char text[64];
    std::strftime(text, sizeof text, format, &parts);
    return text;
}

std::string IsoTime(std::time_t time) {
    return UtcTimeText(time, "%Y-%m-%dT%H:%M:%SZ");
}

std::string IdentityPath(const std::string& paramPath) {
    return paramPath + ".json";
}

std::string IdentityJson(const DriveIdentity& id) {
    char cpuDate[16];
    std::snprintf(cpuDate, sizeof cpuDate, "%05X", static_cast<unsigned>(id.CpuDate));
    const auto flag = [](bool value) { return value ? "true" : "false"; };
    std::string out = "{\n";
    out += "  \"family\": " + Quoted(FamilyName(id.AmpFamily)) + ",\n";
    out += "  \"amp_family\": " + std::to_string(id.AmpFamily) + ",\n";
    out += "  \"fx_version\": " + std::to_string(id.FxVersion) + ",\n";
    out += std::string("  \"qrv\": ") + flag(id.QrvFlag) + ",\n";
    out += std::string("  \"lqrv\": ") + flag(id.LqrvFlag) + ",\n";
    out += std::string("  \"yz\": ") + flag(id.YzFlag) + ",\n";
    out += "  \"model\": " + Quoted(id.Model) + ",\n";
    out += "  \"cpu_label\": " + Quoted(id.CpuLabel) + ",\n";
    out += "  \"eep_label\": " + Quoted(id.EepLabel) + ",\n";
    out += "  \"cpu_date\": " + Quoted(cpuDate) + ",\n";
    out += "  \"time\": " + Quoted(id.Time) + ",\n";
    out += "  \"program_version\": " + Quoted(id.ProgramVersion) + ",\n";
    out += "  \"sha256\": " + Quoted(id.Sha256) + "\n";
    return out + "}\n";
}

std::optional<DriveIdentity> ParseIdentityJson(const std::string& text, std::string& error) {
    std::map<std::string, std::string> values;
    if (!FlatJson(text).Parse(values, error)) return std::nullopt;
    if (!values.count("amp_family") || !values.count("sha256")) {
        error = "amp_family or sha256 missing";
        return std::nullopt;
    }
    DriveIdentity id;
    id.AmpFamily = Number(values, "amp_family");
    id.FxVersion = Number(values, "fx_version");
    id.QrvFlag = Flag(values, "qrv");
    id.LqrvFlag = Flag(values, "lqrv");
    id.YzFlag = Flag(values, "yz");
    id.Model = Text(values, "model");
    id.CpuLabel = Text(values, "cpu_label");
    id.EepLabel = Text(values, "eep_label");
    id.CpuDate = static_cast<int>(std::strtol(Text(values, "cpu_date").c_str(), nullptr, 16));
    id.Time = Text(values, "time");
    id.ProgramVersion = Text(values, "program_version");
    id.Sha256 = Text(values, "sha256");
    return id;
}

bool WriteIdentityFile(const std::string& paramPath, DriveIdentity identity, std::string& error) {
    if (!Sha256OfFile(paramPath, identity.Sha256, error)) return false;
    AtomicFile file;
    if (!file.Create(IdentityPath(paramPath), error)) return false;
    std::string json = IdentityJson(identity);
    json.pop_back();  // the file's own line end follows
    std::istringstream lines(json);
    for (std::string line; std::getline(lines, line);) file.WriteLine(line);
    return file.Commit(error);
}

IdentityCheck CheckIdentity(const std::string& paramPath, const DriveIdentity& connected,
                            const MessageLookup& message) {
    const auto say = [&message](int n, const std::vector<std::string>& values) {
        return Filled(message(n), values);
    };
    IdentityCheck check;
    const std::string path = IdentityPath(paramPath);
    std::error_code failure;
    if (!std::filesystem::exists(path, failure)) return check;
    check.Present = true;
    std::string text, error;
    std::optional<DriveIdentity> saved;
    if (ReadAll(path, text, error)) saved = ParseIdentityJson(text, error);
    if (!saved) {
        check.Differences.push_back(say(CatalogueTexts::MsgIdentityUnreadable, {path, error}));
        return check;
    }
    if (saved->AmpFamily != connected.AmpFamily) {
        check.Differences.push_back(
            say(CatalogueTexts::MsgIdentityFamily,
                {FamilyName(saved->AmpFamily), FamilyName(connected.AmpFamily)}));
    } else if (saved->FxVersion != connected.FxVersion && connected.AmpFamily == 2) {
        check.Differences.push_back(
            say(CatalogueTexts::MsgIdentityFxVersion,
                {std::to_string(saved->FxVersion), std::to_string(connected.FxVersion)}));
    }
    if (saved->Model != connected.Model) {
        check.Differences.push_back(
            say(CatalogueTexts::MsgIdentityModel, {saved->Model, connected.Model}));
    }
    std::string hash;
    if (!Sha256OfFile(paramPath, hash, error)) {
        check.Differences.push_back(say(CatalogueTexts::MsgIdentityUnreadable, {paramPath, error}));
    } else if (hash != saved->Sha256) {
        check.Differences.push_back(message(CatalogueTexts::MsgIdentityChanged));
    }
    return check;
}
