// SPDX-License-Identifier: GPL-2.0-or-later
// What the file runner and its index query program agree on.
//
// The runner writes a search term followed by a NUL. The program answers with
// s_indexQueryKinds lists of paths, each path followed by a NUL, each list
// ended by an empty record: first the newest files the term finds, of any
// kind; then, for folders, spreadsheets, presentations, audio, video, images,
// archives, documents and text in that order, the newest files of that kind,
// empty when the first list holds all of them that could be asked for. So
// every kind gets its share, however many files of another kind a common word
// finds. A term that finds nothing is asked for as the same keys give it in the
// other keyboard layout; then every list that is not empty starts with the
// record s_otherLayoutMark. An empty term finds nothing but has the program
// read what every search needs, so that the first one is as quick as the next.
// The program ends without an answer when the index file was replaced since it
// started, as a purge does, so that a new start reads the new index.
#ifndef INDEXQUERY_P_H
#define INDEXQUERY_P_H

// Enough to pick from, few enough that a common word cannot bury the other kinds.
constexpr int s_maxPerCategory = 10;

// No path: paths are absolute.
constexpr char s_otherLayoutMark[] = "\x01";

// Anything, then the nine kinds.
constexpr int s_indexQueryKinds = 10;

#endif
