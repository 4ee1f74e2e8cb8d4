// Sets the compile times that the help compiler writes into a .chm (in its
// file header and in two records of "#SYSTEM") to zero, so that the same
// sources give the same bytes whenever they are compiled.
//
//   chmsettle <file.chm>

#include <chm_lib.h>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::uint64_t readLe(const std::vector<unsigned char> &b, std::size_t at, int bytes)
{
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | b[at + std::size_t(i)];
    return v;
}

int fail(const char *what, const char *file)
{
    std::fprintf(stderr, "chmsettle: %s: %s\n", file, what);
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: chmsettle <file.chm>\n");
        return 2;
    }
    const char *file = argv[1];

    // Where "#SYSTEM" lies: chmlib gives its place in the uncompressed
    // section, whose start the header names.
    chmFile *chm = chm_open(file);
    if (!chm)
        return fail("not a help file", file);
    chmUnitInfo system{};
    const bool found = chm_resolve_object(chm, "/#SYSTEM", &system) == CHM_RESOLVE_SUCCESS;
    chm_close(chm);
    if (!found || system.space != 0)
        return fail("no uncompressed #SYSTEM record", file);

    std::vector<unsigned char> b;
    {
        std::ifstream in(file, std::ios::binary);
        b.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // The header: "ITSF", version 3 (which names the content offset at 0x58),
    // the compile time at 0x10.
    if (b.size() < 0x60 || b[0] != 'I' || b[1] != 'T' || b[2] != 'S' || b[3] != 'F' || readLe(b, 4, 4) != 3)
        return fail("not a version 3 help file", file);
    for (std::size_t i = 0x10; i < 0x14; ++i)
        b[i] = 0;
    const std::uint64_t start = readLe(b, 0x58, 8) + system.start;
    const std::uint64_t end = start + system.length;
    if (end > b.size() || system.length < 4)
        return fail("#SYSTEM lies outside the file", file);

    // "#SYSTEM": a version, then records of a 16-bit code, a 16-bit length
    // and the data. Record 4 holds the compile time as a FILETIME at 20,
    // record 10 as a 32-bit number.
    bool stamped = false;
    for (std::uint64_t at = start + 4; at + 4 <= end;) {
        const auto code = readLe(b, std::size_t(at), 2), length = readLe(b, std::size_t(at) + 2, 2);
        const std::uint64_t data = at + 4;
        if (data + length > end)
            return fail("a #SYSTEM record runs past its end", file);
        if (code == 4 && length >= 28) {
            for (std::uint64_t i = data + 20; i < data + 28; ++i)
                b[std::size_t(i)] = 0;
            stamped = true;
        } else if (code == 10 && length == 4) {
            for (std::uint64_t i = data; i < data + 4; ++i)
                b[std::size_t(i)] = 0;
        }
        at = data + length;
    }
    if (!stamped)
        return fail("no compile time in #SYSTEM", file);

    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(b.data()), std::streamsize(b.size()));
    return out.good() ? 0 : fail("could not be written", file);
}
