// The AVR assembler source songasm writes: the event stream in flash behind two
// accessor routines, the wave tables in initialised data.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "songasm/song_contents.h"

// The fixed start of every output: the global labels, read_song_byte,
// read_song_word, and the opening of the first ".byte" line under song_data.
inline constexpr std::string_view kAssemblyPreamble =
    ".global read_song_byte\n"
    ".global read_song_word\n"
    ".global wave_table1\n"
    ".global wave_table2\n"
    ".global song_data\n"
    "\n"
    ".text\n"
    "\n"
    "read_song_byte:\n"
    "\tldi\tr30, lo8(song_data)\n"
    "\tadd\tr30, r24\n"
    "\tldi\tr31, hi8(song_data)\n"
    "\tadc\tr31, r25\n"
    "\tlpm\tr24, Z\n"
    "\tret\n"
    "\n"
    "read_song_word:\n"
    "\tldi\tr30, lo8(song_data)\n"
    "\tadd\tr30, r24\n"
    "\tldi\tr31, hi8(song_data)\n"
    "\tadc\tr31, r25\n"
    "\tlpm\tr24, Z+\n"
    "\tlpm\tr25, Z\n"
    "\tret\n"
    "\n"
    "song_data:\n"
    "\t.byte ";

// The output name for a song file argument: everything before the first ".sng",
// followed by ".S". Nothing when the argument holds no ".sng" (case-sensitive).
std::optional<std::string> assemblyFileName(std::string_view songFileName);

// The whole assembler source for a song: the preamble, the stream as ".byte" lines
// of eight values, then the ".data" section with wave_table1 and wave_table2.
std::string assemblySource(const SongContents& song);
