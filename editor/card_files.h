// card_files.h: card files: saving the card to and loading it from one
// of three fixed text files.
//
// A card file is 21 lines of integers separated by single spaces: the
// background and border, then one line per shape slot, then one line per
// message slot, 155 numbers in all. The reader needs only white space between
// the numbers and takes each with printf's "%i" rules (sign, 0x hexadecimal,
// leading-0 octal, decimal); it stops at the first value it cannot read.
#pragma once

#include "editor_state.h"

inline constexpr int CARD_FILE_VALUES = 155;

// The file of save slot 1..3 ("tobu1.sav" .. "tobu3.sav", in the current
// directory); nullptr for any other slot.
const char* card_file_name(int slot);

// Writes the whole card to path through a new temporary file beside it that,
// once on the disk, replaces path with the earlier file's permission bits, so
// a failed save leaves the earlier file as it was. Returns
// 1 on success; on failure 0, with *problem (if given) saying what failed.
int write_card_file(const char* path, const EditorState& state, const char** problem);

// What read_card_file returns when it reads nothing; the state is then untouched.
constexpr int CARD_FILE_MISSING = -1;    // there is no such file
constexpr int CARD_FILE_UNREADABLE = -2; // it is there but is no plain file or cannot be read

// Reads a card from path into the state. Returns CARD_FILE_MISSING or
// CARD_FILE_UNREADABLE when nothing could be read; otherwise clears both selections and
// returns how many values were read, in the file's order, before the first
// that could not be (0..155). The fields from that one on keep their values.
int read_card_file(const char* path, EditorState& state);

// Save and load of slot 1..3. Both report a failure in the text window and
// return 0 then, 1 otherwise. A missing file is no failure: its load just
// changes nothing.
int save_card(int slot, const EditorState& state);
int load_card(int slot, EditorState& state);
