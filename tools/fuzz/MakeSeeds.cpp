// Writes the fuzz targets' seed corpora (<folder>/fuzz/corpus/<name>/) from the tests' fixtures: the
// hand-made PE images, waves and JPEG files, the bitmaps and the vttest recording in the tree, and
// records, lists, regions and frames written by the libraries' own writers. Run after changing a
// format or a fixture, then commit what it wrote:
//   build/tools/fuzz/make-fuzz-seeds .
#include "communications/VXTrmMap.h"
#include "indicator_controls/Std2.h"
#include "platform/gdi/Region.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/Streams.h"
#include "platform/sound/tests/WaveFixture.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/tests/support/JpegFixture.h"
#include "tools/testing/PeFixture.h"
#include "visual_controls/LuxRegionMask.h"
#include "visual_controls/Luxcont.h"
#include "visual_controls/Luxprocs.h"
#include "visual_controls/Luxstreamutils.h"
#include "visual_controls/Luxwave.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using jpeg_fixture::TKind;
using jpeg_fixture::WriteJpeg;

fs::path gRoot;

std::string ReadFile(const std::string& relative) {
    std::ifstream in(gRoot / relative, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + relative);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Replaces the corpus of one target by the seeds given.
class Corpus {
public:
    Corpus(const std::string& folder, const std::string& name) : dir_(gRoot / folder / "fuzz/corpus" / name) {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void Add(const std::string& seed, const std::string& bytes) {
        std::ofstream(dir_ / seed, std::ios::binary) << bytes;
    }
    void Add(const std::string& seed, const Bytes& bytes) {
        Add(seed, std::string(bytes.begin(), bytes.end()));
    }

private:
    fs::path dir_;
};

std::string Le32(std::uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i) s += static_cast<char>(v >> (8 * i) & 0xFF);
    return s;
}

std::string Written(const std::function<void(TStream*)>& write) {
    TMemoryStream s;
    write(&s);
    return s.DataString();
}

// A 24-bit picture in bands of colour, w x h.
std::unique_ptr<TBitmap> Picture(int w, int h) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(w, h);
    for (int y = 0; y < h; ++y) {
        auto* row = static_cast<std::uint8_t*>(b->ScanLine(y));
        for (int x = 0; x < w; ++x) {
            row[x * 3] = static_cast<std::uint8_t>(x < w / 2 ? 0 : 255);
            row[x * 3 + 1] = static_cast<std::uint8_t>(y * 255 / h);
            row[x * 3 + 2] = static_cast<std::uint8_t>((x + y) % 3 * 127);
        }
    }
    return b;
}

HRGN SampleRegion(int kind) {
    HRGN a = CreateRectRgn(0, 0, 10, 6);
    if (kind == 0) return a;
    HRGN b = kind == 1 ? CreateRectRgn(4, 3, 16, 12) : CreateEllipticRgn(0, 0, 14, 9);
    CombineRgn(a, a, b, kind == 1 ? RGN_OR : RGN_DIFF);
    DeleteObject(b);
    return a;
}

std::string RegionBytes(HRGN rgn) {
    std::string data(GetRegionData(rgn, 0, nullptr), '\0');
    GetRegionData(rgn, static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data()));
    return data;
}

// The recording cut into blocks of at most 200 bytes, each after its length (the emulator targets'
// "process this many bytes" operation), count blocks from offset.
std::string TerminalBlocks(const std::string& rec, std::size_t offset, int count) {
    std::string out;
    for (int i = 0; i < count && offset < rec.size(); ++i) {
        const std::size_t n = std::min<std::size_t>(200, rec.size() - offset);
        out += static_cast<char>(n);
        out += rec.substr(offset, n);
        offset += n;
    }
    return out;
}

// The lowest mode byte that picks list type t (mode % 5) with the given high bits.
char ListMode(unsigned t, unsigned high) {
    for (unsigned m = high; m < 256; ++m)
        if (m % 5 == t && (m & 0xC0) == high) return static_cast<char>(m);
    return 0;
}

void Platform() {
    {
        Corpus c("platform/win", "pe_image");
        const std::string block = pe_fixture::VersionBlock(
            0, "040904E4", {{"CompanyName", "Vexo"}, {"FileVersion", "1.2.3.4"}}, {0x04E40409});
        c.Add("pe32", pe_fixture::Image(block));
        c.Add("pe32plus", pe_fixture::Image(block, true));
        c.Add("pe32-no-strings", pe_fixture::Image(pe_fixture::VersionBlock(1, "", {}, {0x04B00409})));
    }
    {
        Corpus c("platform/win", "version_block");
        c.Add("strings-and-translation",
              pe_fixture::VersionBlock(0, "040904E4", {{"CompanyName", "Vexo"}, {"Comments", "seed"}},
                                       {0x04E40409}));
        c.Add("fixed-only", pe_fixture::VersionBlock(0, "", {}, {}));
    }
    {
        Corpus c("platform/sound", "riff_wave");
        c.Add("mono8", Wave(1, 11025, 8, Samples(64)));
        c.Add("stereo16", Wave(2, 22050, 16, Samples(128)));
        Bytes chunks;
        PutChunk(chunks, "LIST", Samples(5));
        PutChunk(chunks, "fmt ", FmtBody(1, 8000, 16));
        PutChunk(chunks, "fact", Samples(4));
        PutChunk(chunks, "data", Samples(33));
        c.Add("odd-chunks", Riff(chunks));
    }
    {
        // Small pictures only: the program's 24 KB splash adds little coverage and slows every run
        // to a crawl, as the fuzzer then makes inputs of its size.
        Corpus c("platform/ui", "jpeg");
        c.Add("rgb", WriteJpeg(32, 16, TKind::Rgb));
        c.Add("gray", WriteJpeg(16, 16, TKind::Gray));
        c.Add("progressive", WriteJpeg(32, 32, TKind::Progressive));
        c.Add("cmyk", WriteJpeg(16, 16, TKind::Cmyk));
    }
    {
        Corpus c("platform/ui", "ini_text");
        c.Add("settings", "[Main]\r\nLeft=10\r\nTop=20\r\n\r\n[Recent]\r\nFile1=/tmp/a.sld\r\n");
        c.Add("odd", "; comment\nno section=1\n[ Spaced ]\n key = value \n[Empty]\n[Main]\nx=\n[main]\nx=2");
    }
    {
        Corpus c("platform/gdi", "bmp");
        c.Add("sample", ReadFile("indicator_controls/tests/data/Vanimate_Sample.bmp"));
        c.Add("marveth", ReadFile("loader/resources/MARVETH.bmp"));
        auto pic = Picture(9, 5);
        for (int colors : {2, 16, 256, 0}) {
            TMemoryStream s;
            LuxBmpSaveDIBStream(s, *pic, colors);
            c.Add("bands-" + std::to_string(colors), s.DataString());
        }
    }
    {
        Corpus c("platform/gdi", "rgn");
        for (int kind = 0; kind < 3; ++kind) {
            HRGN rgn = SampleRegion(kind);
            c.Add("region" + std::to_string(kind), RegionBytes(rgn));
            DeleteObject(rgn);
        }
    }
    {
        Corpus c("platform/registry", "registry_file");
        c.Add("settings",
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Dorvex\\Common]\r\n\"Address\"=\"127.0.0.1\"\r\n"
              "\"Port\"=dword:00000bb8\r\n\"Blob\"=hex:01,02,ff\r\n\"Multi\"=hex(7):41,00,\\\r\n  "
              "42,00,00\r\n");
        c.Add("editor", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"s\"=\"x\\\\y\"\r\n; a "
                        "comment\r\n\"bad\"=dword:12\r\n"
                        "[]\r\n\"orphan\"=\"x\"\r\n[HKEY_CURRENT_USER\\A\\B]]\n@=hex:\n");
    }
}

void Communications() {
    {
        Corpus c("communications", "aht3");
        TVxKeyboardMapping keys;
        keys.LoadFromFile((gRoot / "communications/resources/VXVT100KeyMap.txt").string());
        const std::string keyFile = (fs::temp_directory_path() / "make-fuzz-seeds.aht").string();
        keys.StoreToBinFile(keyFile);
        c.Add("keymap",
              std::string(std::istreambuf_iterator<char>(std::ifstream(keyFile, std::ios::binary).rdbuf()),
                          {}));
        TVxCharSetMapping sets;
        sets.LoadFromFile((gRoot / "communications/resources/VXVT100CharSet.txt").string());
        sets.StoreToBinFile(keyFile);
        c.Add("charset",
              std::string(std::istreambuf_iterator<char>(std::ifstream(keyFile, std::ios::binary).rdbuf()),
                          {}));
        fs::remove(keyFile);
    }
    const std::string rec = ReadFile("communications/tests/data/vttest/vttest.rec");
    {
        Corpus c("communications", "parser");
        for (std::size_t at : {0u, 4000u, 12000u, 30000u})
            c.Add("vttest-" + std::to_string(at), rec.substr(at, 1500));
    }
    for (const char* name : {"tty", "vt100"}) {
        Corpus c("communications", name);
        // tty takes a flag byte first (the command handler); vt100 starts with its operations.
        const std::string lead = std::string(name) == "tty" ? std::string(1, '\x01') : "";
        for (std::size_t at : {0u, 4000u, 12000u, 30000u})
            c.Add("vttest-" + std::to_string(at), lead + TerminalBlocks(rec, at, 8));
        // Resized to 40 x 10 with a short history, then the recording.
        c.Add("resized", lead + std::string("\xF0\x28\xF1\x0A\xF2\x14", 6) + TerminalBlocks(rec, 20000, 6));
    }
    {
        // Operation codes (byte % 48) with their arguments: writes, moves, scrolls and resizes.
        Corpus c("communications", "trmbuf");
        c.Add("writes-and-moves",
              std::string("\x00\x00\x41\x01\x02\x03\x05\x03\x04\x02\x07\x01\x01\x08\x00\x01\x09\x01"
                          "\x28\x10\x29\x14\x2a\x05\x04\x02\x14\x2b\x01\x01\x00\x5a",
                          32));
        c.Add("wide", std::string("\x01\x01\x00\x41\x2a\x00\x01\x2a\x01\x00\x01\x01", 12));
    }
    {
        // A head byte (setups and the split seed), each setup's flags and its start and end letters, then
        // the stream, two letters a byte.
        Corpus c("communications", "packet");
        c.Add("one-setup", std::string("\x00\x01\x00\x01\x08\x10\x18\x01\x08", 9));
        c.Add("four-setups",
              std::string("\x07\x03\x02\x05\x00\x03\x04\x01\x01\x07\x02\x06\x00\x11\x1a\x23\x2c\x35"
                          "\x3e\x07\x10",
                          21));
    }
}

void Indicators() {
    {
        Corpus c("indicator_controls", "calc");
        const char* lines[] = {"-3+2",
                               "2 * ( 3 + 4 ) ",
                               "1,5+1.25",
                               "sqrt(16)+pi",
                               "ABS(-3)+FRAC(-2.5)",
                               "ROUND(2.5)+CEILING(2.1)*10",
                               "LOG(100)+LN(E)",
                               "ARCCOS(-0.5)",
                               "MYF(2)+1",
                               "a*10+b",
                               "1/0",
                               "(1+2",
                               "2*-3",
                               "SQR(SQR(SQR(10000)))"};
        int i = 0;
        for (const char* line : lines) c.Add("line" + std::to_string(i++), line);
    }
    {
        // Width, height, filter, the filter's argument, then rows of pixels.
        Corpus c("indicator_controls", "effects");
        const std::string sample = ReadFile("indicator_controls/tests/data/Vanimate_Sample.bmp");
        const std::string pixels = sample.substr(std::min<std::size_t>(54, sample.size()));
        for (int filter = 0; filter < 7; ++filter)
            c.Add("filter" + std::to_string(filter),
                  std::string{'\x03', '\x03', static_cast<char>(filter)} + Le32(2) + pixels);
        c.Add("flat", std::string{'\x05', '\x04', '\x02'} + Le32(3) + "\x10\x80\xf0");
    }
    {
        Corpus c("indicator_controls", "rgnstream");
        for (int kind = 0; kind < 3; ++kind) {
            HRGN rgn = SampleRegion(kind);
            const std::string data = RegionBytes(rgn);
            DeleteObject(rgn);
            TvcRgn r;
            r.SetRgn(data.data(), static_cast<std::uint32_t>(data.size()));
            c.Add("region" + std::to_string(kind), Written([&](TStream* s) { r.SaveToStream(s); }));
        }
        c.Add("empty", std::string(4, '\0'));
    }
}

void Loader() {
    {
        Corpus c("loader", "script_lines");
        c.Add("upload",
              "; upload\r\n_PC \"#\"\r\n_SR \"REBOOT\"\r\n_TC \"HELLO^M\"\r\n_LF    /tmp/file name.bin\r\n"
              "_DQ \"Upload now?^MSure\"\r\n_DO _SC \"yes\"\r\n_DC _SC \"no\"\r\n_DY 5\r\n_FI");
        c.Add("operands", "_CS \"2.\\r\\n\"   _DM \"yes\"\n   \t_DY 5\nxx_DY 6\n_DM \"a\rb\"\n_CE \"x\"\n_LT "
                          "\n_DM \"no closing\n");
    }
    {
        Corpus c("loader", "settings");
        std::string lines;
        const char* values[] = {
            "COM1", "57600", "8", "N", "1", "/tmp/s.sld", "", "", "", "", "", "",     "",
            "",     "",      "",  "",  "",  "BOOT",       "", "", "", "", "", "TRUE", "192.168.1.20",
            "3001"};
        int n = 0;
        for (const char* v : values) lines += "Line" + std::to_string(++n) + "=" + v + "\r\n";
        c.Add("defaults", lines);
        c.Add("lf", "Com=COM2\nBaud=115200\na=1\nb=2\nc=3\nf= /tmp/s.sld");
    }
}

// Collects a binary property's bytes from an object's DefineProperties.
class TPropertyCatcher : public TFiler {
public:
    explicit TPropertyCatcher(std::string name) : TFiler(nullptr), name_(std::move(name)) {}
    void DefineProperty(const std::string&, TReaderProc, TWriterProc, bool) override {}
    void DefineBinaryProperty(const std::string& Name, TStreamProc, TStreamProc WriteData, bool) override {
        if (Name == name_ && WriteData) Bytes = Written([&](TStream* s) { WriteData(s); });
    }
    std::string Bytes;

private:
    std::string name_;
};

// One list of each type with one filled item (the fifth, the wave list, holds a wave).
std::vector<std::unique_ptr<TLuxCustomContainer>> SampleLists(bool compressed) {
    std::vector<std::unique_ptr<TLuxCustomContainer>> lists;
    auto pic = Picture(6, 4);
    auto bitmaps = std::make_unique<TLuxBitmapList>(nullptr);
    bitmaps->Add(nullptr);
    bitmaps->Items(0)->SetBitmap(pic.get());
    bitmaps->Items(0)->SetPixelFormat(spf4bit);
    auto images = std::make_unique<TLuxImageList>(nullptr);
    images->Add(nullptr);
    images->Items(0)->ConvertBmpToIML(pic.get(), 3, true);
    auto strings = std::make_unique<TLuxStringList>(nullptr);
    strings->Add(nullptr);
    strings->Items(0)->Items()->SetText("one\r\ntwo\r\n");
    auto generic = std::make_unique<TLuxGenericList>(nullptr);
    generic->Add(nullptr);
    TMemoryStream payload(std::string("\x00\x01payload\xFF", 10));
    generic->Items(0)->LoadFromStream(&payload);
    auto waves = std::make_unique<TLuxWaveList>(nullptr);
    waves->Add(nullptr);
    const Bytes w = Wave(1, 8000, 8, Samples(40));
    TMemoryStream wave(std::string(w.begin(), w.end()));
    waves->Items(0)->Wave()->LoadFromStream(&wave);
    lists.push_back(std::move(bitmaps));
    lists.push_back(std::move(images));
    lists.push_back(std::move(strings));
    lists.push_back(std::move(generic));
    lists.push_back(std::move(waves));
    for (auto& list : lists) {
        list->GetItem(0)->SetDescription("seed");
        list->GetItem(0)->SetCompressed(compressed);
    }
    return lists;
}

void VisualControls() {
    const std::string rec = ReadFile("communications/tests/data/vttest/vttest.rec").substr(0, 3000);
    const Bytes wave = Wave(1, 8000, 8, Samples(64));
    const std::string waveBytes(wave.begin(), wave.end());
    const auto frame = [](const std::string& bytes) {
        TMemoryStream source(bytes), dest;
        SaveCompressedStream(source, dest, source.Size());
        return dest.DataString();
    };
    {
        Corpus c("visual_controls", "lzrw");
        std::vector<std::uint8_t> out(LuxLZRWBufferSize);
        for (const std::string& plain : {rec, waveBytes, std::string(500, 'a')}) {
            const auto n = LuxLZRWCompress(reinterpret_cast<const std::uint8_t*>(plain.data()), out.data(),
                                           static_cast<std::uint16_t>(plain.size()));
            c.Add("block" + std::to_string(plain.size()), std::string(out.begin(), out.begin() + n));
        }
    }
    {
        Corpus c("visual_controls", "frame");
        c.Add("text", frame(rec));
        c.Add("wave", frame(waveBytes));
        c.Add("empty", frame(""));
    }
    {
        Corpus c("visual_controls", "wave");
        c.Add("plain", waveBytes);
        c.Add("sized", Le32(static_cast<std::uint32_t>(waveBytes.size())) + waveBytes);
        c.Add("compressed", frame(waveBytes));
    }
    {
        // The plan byte picks the readers, two bits a step: 0 values, 1 a string list (bit 2:
        // compressed), 2 a bitmap, 3 a compressed bitmap.
        Corpus c("visual_controls", "records");
        c.Add("values", "\x00" + Written([](TStream* s) {
                            stWriteInteger(*s, -5);
                            stWriteWord(*s, 0xBEEF);
                            stWriteByte(*s, 7);
                            stWriteString(*s, "seed");
                        }));
        TStringList lines;
        lines.SetText("one\r\ntwo\r\n");
        c.Add("strings", "\x01" + Written([&](TStream* s) { stWriteStringList(*s, lines, false); }));
        c.Add("strings-compressed",
              "\x05" + Written([&](TStream* s) { stWriteStringList(*s, lines, true); }));
        auto pic = Picture(5, 3);
        c.Add("bitmap", "\x02" + Written([&](TStream* s) { stWriteBitmap(*s, *pic, false, 16); }));
        c.Add("bitmap-compressed", "\x03" + Written([&](TStream* s) { stWriteBitmap(*s, *pic, true, -1); }));
    }
    {
        Corpus c("visual_controls", "regiondata");
        Corpus b("visual_controls", "borderbmp");
        for (int kind = 0; kind < 3; ++kind) {
            HRGN rgn = SampleRegion(kind);
            TLuxRegionMask mask;
            mask.SetDataSize(GetRegionData(rgn, 0, nullptr));
            mask.GetMem();
            mask.GetRegionData(rgn);
            DeleteObject(rgn);
            c.Add("region" + std::to_string(kind), Written([&](TStream* s) { mask.WriteRegionData(s); }));
            auto pic = Picture(7, 4);
            mask.SetBorderBmp(0, pic.get());
            const TLuxSavePixelFormat formats[] = {spfDefault, spfMono, spf8bit};
            mask.SetPixelFormat(formats[kind]);
            mask.SetCompressed(kind == 1);
            b.Add("border" + std::to_string(kind), Written([&](TStream* s) { mask.WriteBorder(0, s); }));
        }
    }
    Corpus items("visual_controls", "cont_items");
    Corpus lists("visual_controls", "cont_lists");
    Corpus form("visual_controls", "cont_form");
    Corpus strips("visual_controls", "cont_strips");
    for (bool compressed : {false, true}) {
        const std::string suffix = compressed ? "-compressed" : "";
        auto sample = SampleLists(compressed);
        for (unsigned t = 0; t < sample.size(); ++t) {
            TLuxCustomContainer& list = *sample[t];
            TLuxListItem* item = list.GetItem(0);
            const std::string type = std::to_string(t) + suffix;
            const std::string record = Written([&](TStream* s) { item->WriteData(s); });
            items.Add("item" + type, static_cast<char>(t) + record);
            form.Add("internal" + type, static_cast<char>(t) + record);
            const std::string file = (fs::temp_directory_path() / "make-fuzz-seeds.lst").string();
            list.SaveToFile(file);
            const std::string fileBytes = ReadFile(file);
            fs::remove(file);
            lists.Add("file" + type, ListMode(t, 0x80) + fileBytes);
            lists.Add("file-item" + type, ListMode(t, 0xC0) + fileBytes);
            lists.Add("stream" + type,
                      ListMode(t, 0) + Written([&](TStream* s) { list.WriteData(s, false); }));
            lists.Add("stream-offsets" + type,
                      ListMode(t, 0x40) + Written([&](TStream* s) { list.WriteData(s, true); }));
            static const int controlProperty[5] = {6, 7, 9, -1,
                                                   8}; // BitmapList, ImageList, StringList, -, WaveList
            if (controlProperty[t] >= 0)
                form.Add("control" + type, static_cast<char>(controlProperty[t]) +
                                               Written([&](TStream* s) { list.WriteData(s, false); }));
            if (t == 1) {
                // The images alone, after the record's standard part and its four sizes.
                auto* image = static_cast<TLuxImageListItem*>(item);
                const std::size_t head =
                    Written([&](TStream* s) { image->TLuxListItem::WriteData(s); }).size() + 13;
                form.Add("bitmap" + suffix, '\x05' + record.substr(head));
                // Width 6 (data[0] % 24 + 1), height 4, masked, allocated by 4, then operations.
                strips.Add("strip" + suffix,
                           std::string("\x05\x03\x09\x01\x5a\x21", 6) + record.substr(head));
            }
        }
    }
    {
        // The first flag picks the pixel routines (set) or the effect object; then formats, sizes and
        // pixels of the bitmaps, the rectangles and the settings.
        Corpus c("visual_controls", "luxbmp");
        std::string routine = "\x01\x02\x00\x04\x03\x01";
        for (int i = 0; i < 40; ++i) routine += static_cast<char>(i * 11);
        c.Add("routine", routine);
        c.Add("routine-shared",
              "\x01\x06\x00\x03\x02" + std::string(30, '\x07') + "\x02\x18\x18\x1c\x1c\x19\x19");
        std::string operation = "\x00\x3f\x01\x40\x01\x01\x30\x00\x03\x03";
        for (int i = 0; i < 30; ++i) operation += static_cast<char>(i * 13 + 1);
        c.Add("operation", operation);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-fuzz-seeds <source tree>\n");
        return 2;
    }
    gRoot = argv[1];
    try {
        InitLuxcont();
        Platform();
        Communications();
        Indicators();
        Loader();
        VisualControls();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-fuzz-seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
