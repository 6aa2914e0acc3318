// SPDX-License-Identifier: GPL-2.0-or-later
// What the file runner and its index query program agree on.
//
// The runner writes a search term followed by a NUL. The program answers with
// one list of paths for each kind of file it asks the index for, in a fixed
// order: each path followed by a NUL, each list ended by an empty record. A
// kind in which the term finds nothing is asked for the term as the same keys
// give it in the other keyboard layout; such a list starts with the record
// s_otherLayoutMark. An empty term finds nothing but has the program read what
// every search needs, so that the first one is as quick as the next. The program ends without an
// answer when the index file was replaced since it started, as a purge does,
// so that a new start reads the new index.
#ifndef INDEXQUERY_P_H
#define INDEXQUERY_P_H

// Enough to pick from, few enough that a common word cannot bury the other kinds.
constexpr int s_maxPerCategory = 10;

// No path: paths are absolute.
constexpr char s_otherLayoutMark[] = "\x01";

// Folders, spreadsheets, presentations, audio, video, images, archives,
// documents, text, then anything.
constexpr int s_indexQueryKinds = 10;

#endif
