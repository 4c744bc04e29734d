// The media-command interpreter: answers the command texts of the media control interface
// ("open cdaudio", "status MP3Play mode", ...) over the players of a MediaBackend. It keeps the
// table of open devices and their aliases. Not thread-safe: the host's thread alone calls it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mci_command.h"
#include "media_players.h"

namespace quillmere {

class MciInterpreter {
  public:
    explicit MciInterpreter(MediaBackend& backend);
    ~MciInterpreter();
    MciInterpreter(const MciInterpreter&) = delete;
    MciInterpreter& operator=(const MciInterpreter&) = delete;

    // Carries out one command; 0 or a result code. On success the answer (possibly empty) is
    // written to answer, NUL-terminated and cut to length; on failure answer is left as it was.
    std::int32_t Send(std::string_view command, char* answer, std::uint32_t length);

    // Closes every open device.
    void CloseAll();

    bool IsOpen(std::string_view name) const;

  private:
    enum class TimeFormat { Milliseconds, Msf, Tmsf };
    struct Device {
        std::uint32_t id = 0;
        TimeFormat format = TimeFormat::Milliseconds;
        std::unique_ptr<CdPlayer> cd;
        std::unique_ptr<FilePlayer> file;
    };

    std::int32_t Open(const std::vector<MciWord>& words, std::string& answer);
    std::int32_t Close(const std::vector<MciWord>& words);
    std::int32_t Play(Device& device, const std::vector<MciWord>& words);
    std::int32_t Status(Device& device, const std::vector<MciWord>& words, std::string& answer);
    std::int32_t Set(Device& device, const std::vector<MciWord>& words);
    std::int32_t Transport(Device& device, std::string_view verb,
                           const std::vector<MciWord>& words);

    std::int32_t CdStatus(Device& device, const std::string& item, std::string& answer);
    std::int32_t FileStatus(Device& device, const std::string& item, std::string& answer);
    std::int32_t ParseCdPosition(const Device& device, const CdToc& toc, std::string_view text,
                                 std::int32_t& lsn) const;
    std::string FormatCdPosition(const Device& device, const CdToc& toc, std::int32_t lsn) const;
    Device* Find(std::string_view name);

    MediaBackend& backend_;
    std::map<std::string, Device> devices_;  // by lower-cased name or alias
    std::uint32_t nextId_ = 1;
};

}  // namespace quillmere
