// Writes the fuzzers' starting corpora: for each target a few well-formed
// inputs, made by code. Usage: qzt-fuzz-seeds OUTPUT_FOLDER
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "config/DefaultImage.h"

namespace fs = std::filesystem;
using namespace qzt;

namespace {

void Write(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string Image(std::size_t size = 256) {
    const ConfigImage image = BuildDefaultImage();
    std::string bytes(image.begin(), image.end());
    bytes.resize(size, '\xFF');
    return bytes;
}

std::string Frame(const std::string& payload) {
    unsigned sum = 0;
    for (unsigned char c : payload) {
        sum += c;
    }
    char checksum[3];
    std::snprintf(checksum, sizeof checksum, "%02X", sum & 0xFF);
    return "\x02" + payload + checksum + "\x03";
}

std::string Reply(const std::string& bytes) {
    return std::string(1, static_cast<char>(bytes.size())) + bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const fs::path out = argv[1];

    Write(out / "codec/default", "\x01" + Image());
    Write(out / "codec/zeros", std::string(257, '\0'));
    Write(out / "codec/ones", std::string(257, '\xFF'));

    // Command byte, two range bytes, then the box's reply.
    Write(out / "link/ack", std::string("\x00\x00\x00", 3) + Reply("\x06"));
    Write(out / "link/info", std::string("\x01\x00\x00", 3) + Reply(Frame("KVD-USB 1.4")));
    Write(out / "link/read",
          std::string("\x02\xF0\x03", 3) + Reply(Frame("48020304")) + Reply(Frame("48")));
    Write(out / "link/write", std::string("\x03\x0E\x10", 3) + Reply("\x15") + Reply("\x06"));
    Write(out / "link/noise", std::string("\x04\x00\x00", 3) + "\xFF" + "\x02");

    Write(out / "settings/values",
          "[Setup]\nConfigDirectory=\n[AlarmType]\n0=Standard\n1=<EMPTY>\n2=Bed exit\n3=<END>\n"
          "[DoorMatSensorType]\n0=Mat\n[DaylightSaving]\n0=None\n1=Europe\n"
          "1TZ=5,1,3,2,0,5,1,10,3,0,60\n2=US\n2TZ=2,1,3,2,0,1,1,11,2,0,60\n3=<END>\n");
    Write(out / "settings/about",
          "[AboutInfo]\nLines=0x2\nLine1=one\nWWW=w\nMAIL=m\n[Aboutinfo]\nLines=-3\n");

    Write(out / "file/image", "\x00" + Image());
    Write(out / "file/padded", "\x03" + Image(2048));
    Write(out / "file/short", "\x02" + Image(255));
    // A plan as a spreadsheet saves it, and one typed by hand with its
    // columns in another order, short names and an extra column.
    Write(out / "plan/spreadsheet",
          "\xEF\xBB\xBFLabel;Allow user out of pad (bed/chair);Pad connection (on);"
          "Pad connection (off);On pad (bed/chair);Out of pad (bed/chair);Technical alarms;"
          "Serial number\r\n\"Room 12; bed 1\";1201;1202;1203;1204;1205;1206;\r\n"
          "Room 12 bed 2;1211;1212;1213;1214;1215;1216;0123457\r\n;;;;;;;\r\n");
    Write(out / "plan/typed",
          "Room,Technical,Label,Pad on,Pad off,On pad,Out of pad,Allow user,Serial,Note\n"
          "14,1406,Bed 1,1402,1403,1404,1405,1401,42,\"window, left\"\n"
          "14,14a6,Bed 2,14a2,14a3,14a4,14a5,14a1,,\n");
    std::printf("seeds written to %s\n", argv[1]);
    return 0;
}
