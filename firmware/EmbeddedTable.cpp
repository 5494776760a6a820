// The checked table file, built into the program's read-only data by the assembler: the compiler
// never parses megabytes of source. The build passes the file's path in FIRMWARE_TABLE_FILE, and
// in FIRMWARE_TABLE_DEVELOPMENT whether it is the generated development table, and rebuilds this
// object whenever the file changes.
#include <bit>

#include "firmware/FirmwareImage.h"

// The file holds little-endian elements and is embedded byte for byte.
static_assert(std::endian::native == std::endian::little);

// Windows programs are PE files: the read-only data section has a name and flags of its own, symbols
// carry no ELF type or size, and the assembler keeps no section stack, so it goes back to .text,
// where the compiler expects to be.
#ifdef _WIN32
asm(".section .rdata$firmware_embedded_table, \"dr\"\n"
    ".balign 4\n"
    ".globl firmware_embedded_table\n"
    "firmware_embedded_table:\n"
    ".incbin \"" FIRMWARE_TABLE_FILE
    "\"\n"
    ".text\n");
#else
asm(".pushsection .rodata.firmware_embedded_table, \"a\"\n"
    ".balign 4\n"
    ".globl firmware_embedded_table\n"
    ".type firmware_embedded_table, @object\n"
    "firmware_embedded_table:\n"
    ".incbin \"" FIRMWARE_TABLE_FILE
    "\"\n"
    ".size firmware_embedded_table, . - firmware_embedded_table\n"
    ".popsection\n");
#endif

extern "C" const firmware::FirmwareImageTable firmware_embedded_table;

namespace firmware {

const FirmwareImageTable& FirmwareImage() { return firmware_embedded_table; }

bool EmbedsDevelopmentTable() { return FIRMWARE_TABLE_DEVELOPMENT != 0; }

}  // namespace firmware
