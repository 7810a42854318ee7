#include "settingsstore.h"

#include "blowfish.h"
#include "workfile.h"
#include "xexceptions.h"
#include "xfile.h"
#include "xstring.h"
#include "xsystem.h"

#include <vector>

namespace {

// The program's fixed key: stores can be read only by a build with it.
const unsigned char kStoreKey[8] = {'V', 'r', 'n', 'S', 'k', '!', '1', '3'};

void PrepareCipher(Blowfish& cipher)
{
    cipher.Init(kStoreKey, sizeof kStoreKey);
}

std::string TempPath(const char* name)
{
    return std::string(xsys().GetTempFolder().c_str()) + name;
}

}  // namespace

SettingsStore::SettingsStore(const std::string& folder) : folder_(folder)
{
    if (!folder_.empty() && folder_.back() != '\\' && folder_.back() != '/')
        folder_ += '\\';
}

std::string SettingsStore::LoadCopyPath()
{
    return TempPath("tmp277.tmp");
}

std::string SettingsStore::SaveCopyPath()
{
    return TempPath("tmp767.tmp");
}

std::string SettingsStore::Read() const
{
    xstring data = xstring::FromFile(StorePath().c_str());
    const size_t size = data.Size();
    // Only whole blocks of what was really read are deciphered.
    if (size == 0 || size % 8 != 0)
        return std::string();
    Blowfish cipher;
    PrepareCipher(cipher);
    std::vector<unsigned char> plain(size);
    cipher.Decrypt(reinterpret_cast<const unsigned char*>(data.c_str()), plain.data(), size);
    size_t length = 0;
    while (length < size && plain[length] != 0)
        ++length;
    return std::string(reinterpret_cast<const char*>(plain.data()), length);
}

bool SettingsStore::Write(const std::string& plainPath) const
{
    if (!xsys().FileExists(plainPath.c_str()))
        return false;
    xstring text = xstring::FromFile(plainPath.c_str());
    text.Trim();
    size_t n = size_t(text.Length());
    std::vector<unsigned char> buffer(Blowfish::PaddedLength(n < 8 ? 8 : n), 0);
    std::copy(text.c_str(), text.c_str() + n, buffer.begin());
    if (n < 8)
        n = 8;
    Blowfish cipher;
    PrepareCipher(cipher);
    size_t length = cipher.Encrypt(buffer.data(), buffer.data(), n);
    return WriteWorkFile(StorePath().c_str(), buffer.data(), length, FILE_ATTRIBUTE_NORMAL, true);
}

std::string SettingsStore::WriteLoadCopy() const
{
    std::string path = LoadCopyPath();
    std::string text = Read();
    if (!WriteWorkFile(path.c_str(), text.data(), text.size(), FILE_ATTRIBUTE_TEMPORARY, true))
        return std::string();
    return path;
}

bool SettingsStore::SaveSettings(const BridgeSettings& s) const
{
    const std::string path = SaveCopyPath();
    const std::string text = Read();
    if (!WriteWorkFile(path.c_str(), text.data(), text.size(), FILE_ATTRIBUTE_TEMPORARY, true))
        return false;
    const struct {
        const char* key;
        std::string value;
    } fields[] = {
        {"EcrIp", s.EcrIp},
        {"Cartella", s.Cartella},
        {"Proto", std::to_string(s.Proto)},
        {"Port", std::to_string(s.Port)},
        {"Baud", std::to_string(s.Baud)},
        {"Backup", std::to_string(s.Backup)},
        {"Offline", std::to_string(s.Offline)},
        {"Level", std::to_string(s.Level)},
        {"Ext", s.Ext},
    };
    bool ok = true;
    for (const auto& field : fields) {
        if (!xsys().WriteProfileString("Info", field.key, field.value.c_str(), path.c_str())) {
            xstring shown;
            xreporterror<xsystemexceptions>(shown, int(GetLastError()), "WritePrivateProfileStringA", 0,
                                            true, false);
            ok = false;
            break;
        }
    }
    ok = ok && Write(path);
    xsys().DeleteFile(path.c_str());
    return ok;
}
