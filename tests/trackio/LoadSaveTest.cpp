// The load walk, the save drivers and the files they touch.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <tuple>

#include "TrackTesting.h"
#include "trackio/FileAccess.h"
#include "trackio/FileInPieces.h"

using namespace tracktesting;
using trackbuilder::CanonicalFile;
using trackbuilder::CanonicalTree;
using trackbuilder::Chunk;
using trackbuilder::SampleDocument;
using trackio::TrackDocument;
using trackio::TrackErrorKind;

namespace fs = std::filesystem;

TEST(LoadSave, ASavedFileComesBackByteForByte) {
  const std::vector<uint8_t> file = CanonicalFile(SampleDocument());
  TrackDocument loaded = Loaded(file);
  const std::vector<uint8_t> once = Saved(loaded);
  EXPECT_EQ(once, file);
  EXPECT_EQ(Saved(Loaded(once)), once) << "saving is idempotent";
  EXPECT_EQ(Saved(loaded), once) << "saving twice writes the same bytes";
}

TEST(LoadSave, ALoadAndASaveGiveAWellFramedFileBackByteForByte) {
  // Whatever the bytes the tool does not interpret hold, and wherever chunks
  // of unknown kinds stand in the tree, an exact save writes the file back;
  // a normalised one writes what the tool wrote before, the same track with
  // all of them fixed.
  const struct {
    const char* name;
    trackbuilder::Noise noise;
    std::array<uint8_t, 4> version;
    bool terrain;
    bool unknownChunks;
  } cases[] = {
      {"as made in code", {}, {1, 3, 0, 0}, true, false},
      {"reserved runs and trailers full", {0x01, 255, 0}, {1, 3, 0, 0}, true, false},
      {"colours led by 0xFF, flags of 1, version 1.6", {0x80, 1, 0xFF}, {1, 6, 0, 0}, true, true},
      {"flags of 0x80, without terrain", {0x41, 0x80, 0x12}, {1, 6, 0, 0}, false, true},
      {"chunks of unknown kinds alone", {}, {1, 3, 0, 0}, true, true},
  };
  for (const auto& one : cases) {
    SCOPED_TRACE(one.name);
    TrackDocument clean = SampleDocument();
    if (!one.terrain) {
      clean.TerrainPresent = false;
      clean = Loaded(CanonicalFile(clean));  // the terrain's fields as a load leaves them
    }
    TrackDocument doc = trackbuilder::Noisy(clean, one.noise);
    std::tie(doc.NlimVersion1, doc.NlimVersion2, doc.NlimVersion3, doc.NlimVersion4) =
        std::tuple_cat(one.version);
    if (one.unknownChunks) doc = trackbuilder::WithUnknownChunksEverywhere(doc);
    const std::vector<uint8_t> file = CanonicalFile(doc);

    const trackio::LoadResult loaded = trackio::LoadTrackFromBytes(file);
    ASSERT_TRUE(loaded) << loaded.Error().Describe();
    EXPECT_TRUE(loaded->formsFixedTree);
    EXPECT_EQ(loaded->unknownChunks.size(), doc.UnknownChunks.size());
    EXPECT_EQ(loaded->document, Framed(doc)) << "every byte is held in its field";
    EXPECT_EQ(Saved(loaded->document), file);
    EXPECT_EQ(SavedNormalised(loaded->document), CanonicalFile(clean));
  }
}

TEST(LoadSave, UnknownChunksOutsideTheFixedTreeAreLeftOut) {
  // Chunks that the flat walk accepts but a save cannot put back where they
  // stood: the track loads as ever, the unknown chunks are listed, and no
  // save writes them.
  const TrackDocument sample = SampleDocument();
  const Chunk unknown{"XTRA", {}, {}, {}, {}};
  const struct {
    const char* name;
    std::function<void(Chunk&)> reshape;
  } cases[] = {
      {"known chunks in another order", [](Chunk& root) { std::swap(root.children[2], root.children[4]); }},
      {"a known chunk under another parent",
       [](Chunk& root) {
         Chunk scob = root.children[2].children[0];
         root.children[2].children.clear();
         root.children.push_back(scob);
       }},
      {"a known chunk twice", [&sample](Chunk& root) { root.children.push_back(trackbuilder::EnvcChunk(sample)); }},
      {"counts that do not add up",
       [](Chunk& root) {
         // SUPP promises one child fewer: CATW counts as TRCK's child.
         root.children[0].children[3].subChunkCount = 4;
         root.children[0].subChunkCount = 5;
       }},
  };
  for (const auto& one : cases) {
    SCOPED_TRACE(one.name);
    Chunk root = CanonicalTree(sample);
    root.children.insert(root.children.begin() + 1, unknown);
    one.reshape(root);
    root.subChunkCount = static_cast<int32_t>(root.children.size());
    const trackio::LoadResult loaded = trackio::LoadTrackFromBytes(root.Serialize());
    ASSERT_TRUE(loaded) << loaded.Error().Describe();
    EXPECT_FALSE(loaded->formsFixedTree);
    ASSERT_EQ(loaded->unknownChunks.size(), 1u);
    EXPECT_EQ(loaded->unknownChunks[0].tag, "XTRA");
    EXPECT_TRUE(loaded->document.UnknownChunks.empty());
    EXPECT_EQ(trackio::LeftOutBySave(*loaded, trackio::SaveForm::Exact).size(), 1u);
    EXPECT_EQ(Saved(loaded->document), CanonicalFile(sample));
  }
}

TEST(LoadSave, TheWalkIsFlatAndOrderFree) {
  const TrackDocument sample = SampleDocument();
  const TrackDocument expected = Framed(sample);

  // ENVC before SCEN, SCOB at the top level, FUND outside SUPP: same document.
  Chunk root = CanonicalTree(sample);
  std::swap(root.children[1], root.children[3]);
  Chunk scob = root.children[3].children[0];
  root.children[3].children.clear();
  root.Child(scob);
  root.subChunkCount = 5;
  EXPECT_EQ(Saved(Loaded(root.Serialize())), CanonicalFile(sample));

  // Lower-case tags are read like upper-case ones.
  Chunk lower = CanonicalTree(sample);
  lower.tag = "nlim";
  lower.children[0].children[3].children[3].tag = "tube";
  EXPECT_EQ(Framed(Loaded(lower.Serialize())), expected);
}

TEST(LoadSave, UnknownChunksAreSkippedWithTheirChildren) {
  const TrackDocument sample = SampleDocument();
  Chunk root = CanonicalTree(sample);
  Chunk unknown{"ZZZZ", {}, {}, {}, {}};
  unknown.body.Fill(10, 0x11);
  // Its children carry known tags but must not be read.
  TrackDocument other = SampleDocument();
  other.EnvironmentText1 = "not me";
  unknown.Child(trackbuilder::EnvcChunk(other)).Child(trackbuilder::InfoChunk(other));
  root.children.insert(root.children.begin() + 1, unknown);
  root.subChunkCount = 5;

  const trackio::LoadResult loaded = trackio::LoadTrackFromBytes(root.Serialize(), {.listChunks = true});
  ASSERT_TRUE(loaded);
  const TrackDocument& doc = loaded->document;
  const std::vector<trackio::FoundChunk>& chunks = loaded->chunks;
  EXPECT_EQ(doc.EnvironmentText1, sample.EnvironmentText1);
  EXPECT_EQ(Saved(doc), root.Serialize()) << "an exact save keeps the unknown chunk";
  EXPECT_EQ(SavedNormalised(doc), CanonicalFile(sample)) << "a normalised save leaves it out";

  const auto skipped = std::find_if(chunks.begin(), chunks.end(),
                                    [](const trackio::FoundChunk& c) { return c.skipped; });
  ASSERT_NE(skipped, chunks.end());
  EXPECT_EQ(skipped->tag, "ZZZZ");
  EXPECT_EQ(skipped->storedSize, static_cast<int32_t>(unknown.Serialize().size()) - 8);
  EXPECT_EQ(chunks.front().tag, "NLIM");
  EXPECT_EQ(chunks.size(), 16u);  // 15 known ones, TERA included, and the unknown one
}

TEST(LoadSave, ARepeatedChunkReplacesTheFirst) {
  TrackDocument first = trackbuilder::EmptyDocument();
  first.Tubes.resize(3);
  TrackDocument second = trackbuilder::EmptyDocument();
  second.Tubes.resize(1);
  second.Tubes[0].TubeType = 5;
  Chunk root = CanonicalTree(first);
  root.Child(trackbuilder::TubeChunk(second));
  root.subChunkCount = 4;
  EXPECT_EQ(Loaded(root.Serialize()).Tubes, second.Tubes);
}

TEST(LoadSave, TheRootCountBoundsWhatIsRead) {
  // A count of 0 reads nothing after the root's own 32 bytes.
  Chunk root = CanonicalTree(SampleDocument());
  root.subChunkCount = 0;
  EXPECT_EQ(Framed(Loaded(root.Serialize())), Framed(trackbuilder::EmptyDocument()));
  // Bytes after the last promised chunk are ignored.
  std::vector<uint8_t> file = CanonicalFile(SampleDocument());
  file.insert(file.end(), {'J', 'U', 'N', 'K', 0xFF, 0xFF});
  EXPECT_EQ(Saved(Loaded(file)), CanonicalFile(SampleDocument()));
}

TEST(LoadSave, MissingChunksAreSavedFromTheirEmptyState) {
  // A file with nothing but the root and an environment chunk.
  const TrackDocument sample = SampleDocument();
  Chunk root = trackbuilder::NlimChunk(sample);
  root.Child(trackbuilder::EnvcChunk(sample));
  TrackDocument expected = trackbuilder::EmptyDocument();
  expected.EnvironmentText1 = sample.EnvironmentText1;
  expected.EnvironmentText2 = sample.EnvironmentText2;
  const auto saved = Saved(Loaded(root.Serialize()));
  EXPECT_EQ(saved, CanonicalFile(expected));
  EXPECT_EQ(LongAt(saved, 28), 3) << "no terrain: three top-level chunks";
}

TEST(LoadSave, PathChecksSayWhatStandsAtThePath) {
  ScratchFolder folder;
  ASSERT_TRUE(trackbuilder::WriteFile(folder.File("x.txt"), CanonicalFile(SampleDocument())));
  ASSERT_TRUE(trackbuilder::WriteFile(folder.File("empty.nltrack"), {}));
  fs::create_directory(folder.File("dir.nltrack"));
  const struct {
    std::string path;
    TrackErrorKind kind;
    const char* sentence;
  } cases[] = {{"", TrackErrorKind::EmptyPath, "no file name was given"},
               {folder.File("missing.nltrack"), TrackErrorKind::NoSuchFile, "no such file"},
               {folder.File("dir.nltrack"), TrackErrorKind::IsAFolder, "is a folder"},
               {folder.File("empty.nltrack"), TrackErrorKind::EmptyFile, "the file is empty"},
               {folder.File("x.txt"), TrackErrorKind::WrongExtension,
                "not a track file (the name does not end in .nltrack)"}};
  for (const auto& one : cases) {
    const trackio::LoadResult loaded = trackio::LoadTrack(one.path);
    ASSERT_FALSE(loaded) << one.path;
    EXPECT_EQ(loaded.Error().kind, one.kind) << one.path;
    EXPECT_EQ(loaded.Error().Describe(), one.sentence) << one.path;
  }
}

TEST(LoadSave, LoadsByPathInAnyLetterCase) {
  ScratchFolder folder;
  const std::vector<uint8_t> file = CanonicalFile(SampleDocument());
  ASSERT_TRUE(trackbuilder::WriteFile(folder.File("Track.NLTRACK"), file));
  const trackio::LoadResult loaded = trackio::LoadTrack(folder.File("Track.NLTRACK"));
  ASSERT_TRUE(loaded);
  EXPECT_EQ(Saved(loaded->document), file);

  ASSERT_TRUE(trackbuilder::WriteFile(folder.File("text.nltrack"), {'h', 'e', 'l', 'l', 'o'}));
  const trackio::LoadResult text = trackio::LoadTrack(folder.File("text.nltrack"));
  ASSERT_FALSE(text);
  EXPECT_EQ(text.Error().kind, TrackErrorKind::NotATrack);
  EXPECT_EQ(text.Error().Describe(), "not a track file (it does not begin with an NLIM chunk)");
}

TEST(LoadSave, LoadsAndSavesANameBeyondAscii) {
  // The euro sign: on Windows its narrow form is in the program's code page,
  // the one the C runtime that writes the file below reads names in too.
  ScratchFolder folder;
  const std::string name = trackio::ToNarrow(fs::path(u8"\u20AC \u00E9.nltrack"));
  const std::vector<uint8_t> file = CanonicalFile(SampleDocument());
  ASSERT_TRUE(trackbuilder::WriteFile(folder.File(name), file));
  trackio::LoadResult loaded = trackio::LoadTrack(folder.File(name));
  ASSERT_TRUE(loaded) << loaded.Error().Describe();

  const std::string copy = trackio::ToNarrow(fs::path(u8"\u20AC copy.nltrack"));
  const trackio::SaveResult saved = trackio::SaveTrack(loaded->document, folder.File(copy));
  ASSERT_TRUE(saved) << saved.Error().Describe();
  EXPECT_EQ(trackbuilder::ReadFile(folder.File(copy)), file);
}

TEST(LoadSave, SaveAppendsTheExtensionWhenMissing) {
  ScratchFolder folder;
  const struct {
    const char* given;
    const char* written;
  } cases[] = {{"x", "x.nltrack"}, {"x.txt", "x.txt.nltrack"}, {"y.NLTRACK", "y.NLTRACK"},
               {"z.nltrack", "z.nltrack"}};
  TrackDocument doc = SampleDocument();
  for (const auto& one : cases) {
    const trackio::SaveResult saved = trackio::SaveTrack(doc, folder.File(one.given));
    ASSERT_TRUE(saved) << saved.Error().Describe();
    EXPECT_EQ(saved->path, folder.File(one.written));
    EXPECT_EQ(trackbuilder::ReadFile(saved->path), CanonicalFile(SampleDocument()));
  }
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"x.nltrack", "x.txt.nltrack", "y.NLTRACK", "z.nltrack"}));
}

TEST(LoadSave, SaveReplacesAnExistingFileInOneStep) {
  ScratchFolder folder;
  const std::string path = folder.File("t.nltrack");
  ASSERT_TRUE(trackbuilder::WriteFile(path, std::vector<uint8_t>(5000, 0x77)));
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  TrackDocument doc = SampleDocument();
  ASSERT_TRUE(trackio::SaveTrack(doc, path));
  EXPECT_EQ(trackbuilder::ReadFile(path), CanonicalFile(SampleDocument()));
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"t.nltrack"}) << "no temporary file is left";
#ifndef _WIN32  // Windows has no such permission bits
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)
      << "the replaced file's permissions are kept";
#endif
}

TEST(LoadSave, SaveFollowsASymbolicLink) {
  ScratchFolder folder;
  const std::string real = folder.File("real.nltrack");
  const std::string link = folder.File("link.nltrack");
  ASSERT_TRUE(trackbuilder::WriteFile(real, {1, 2, 3}));
  std::error_code linkError;
  fs::create_symlink(real, link, linkError);
  // Windows lets only some accounts make symbolic links.
  if (linkError) GTEST_SKIP() << "no symbolic link here: " << linkError.message();
  TrackDocument doc = SampleDocument();
  ASSERT_TRUE(trackio::SaveTrack(doc, link));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(trackbuilder::ReadFile(real), CanonicalFile(SampleDocument()));
}

TEST(LoadSave, AFailedSaveReportsWhyAndWritesNothing) {
  ScratchFolder folder;
  TrackDocument doc = SampleDocument();
  trackio::SaveResult saved = trackio::SaveTrack(doc, folder.File("no/such/folder/t.nltrack"));
  ASSERT_FALSE(saved);
  EXPECT_EQ(saved.Error().kind, TrackErrorKind::FileSystem);
  EXPECT_FALSE(saved.Error().message.empty());

  // A directory where the file should go is left as it is.
  fs::create_directory(folder.File("d.nltrack"));
  EXPECT_FALSE(trackio::SaveTrack(doc, folder.File("d.nltrack")));
  EXPECT_TRUE(fs::is_directory(folder.File("d.nltrack")));
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"d.nltrack"});

  saved = trackio::SaveTrack(doc, "");
  ASSERT_FALSE(saved);
  EXPECT_EQ(saved.Error().kind, TrackErrorKind::EmptyPath);
}

TEST(LoadSave, ATrackTooLargeForTheFormatIsRefusedBeforeWriting) {
  TrackDocument doc = trackbuilder::EmptyDocument();
  doc.Catwalks = {{0, 0, 0, 0, 0, 0, std::numeric_limits<int32_t>::max() - 10}};
  EXPECT_FALSE(trackio::BuildTrackFile(doc));
  ScratchFolder folder;
  const trackio::SaveResult saved = trackio::SaveTrack(doc, folder.File("big.nltrack"));
  ASSERT_FALSE(saved);
  EXPECT_EQ(saved.Error().kind, TrackErrorKind::TooLarge);
  EXPECT_TRUE(folder.Entries().empty());
}

TEST(LoadSave, SizesAllowExactlyTheLongestFileALoadAccepts) {
  // A catwalk trailer stretches the file without holding memory. First it
  // leaves room for one free node (28 bytes) and one tube (48), no more.
  TrackDocument doc = trackbuilder::EmptyDocument();
  doc.Catwalks = {trackio::Catwalk{}};
  const int64_t withoutTrailer = trackio::SavedFileLength(doc);
  doc.Catwalks[0].TrailerLength = static_cast<int32_t>(trackio::kMaxTrackFileLength - withoutTrailer - 76);
  EXPECT_TRUE(trackio::FitsTrackFile(doc, 1, 1));
  EXPECT_FALSE(trackio::FitsTrackFile(doc, 1, 2));
  EXPECT_FALSE(trackio::FitsTrackFile(doc, 2, 1));
  EXPECT_FALSE(trackio::FitsTrackFile(doc, int64_t{1} << 62, 0));

  doc.Catwalks[0].TrailerLength += 76;
  ASSERT_EQ(trackio::SavedFileLength(doc), trackio::kMaxTrackFileLength);
  EXPECT_TRUE(trackio::PrepareForSaving(doc));
  EXPECT_TRUE(trackio::FitsTrackFile(doc, 0, 0));

  doc.Catwalks[0].TrailerLength += 1;
  const trackio::TrackResult<int64_t> sized = trackio::PrepareForSaving(doc);
  ASSERT_FALSE(sized) << "a file one byte longer than a load accepts was sized";
  EXPECT_EQ(sized.Error().kind, TrackErrorKind::TooLarge);
  EXPECT_FALSE(trackio::FitsTrackFile(doc, 0, 0));
}

TEST(LoadSave, ADocumentWhoseFieldsDisagreeIsRefusedAsInconsistent) {
  TrackDocument trailer = trackbuilder::EmptyDocument();
  trailer.Catwalks = {{0, 0, 0, 0, 0, 0, -1}};
  TrackDocument grid = trackbuilder::EmptyDocument();
  grid.TerrainPresent = true;
  grid.TerrainColumnCount = 2;
  grid.TerrainRowCount = 2;
  grid.TerrainGrid.resize(3);
  // Bytes held for what is not there, or that a load would read otherwise.
  TrackDocument trailerBytes = trackbuilder::EmptyDocument();
  trailerBytes.Catwalks = {{0, 0, 0, 0, 0, 0, 4}};
  trailerBytes.Catwalks[0].Trailer = {1, 2, 3};
  TrackDocument runs = trackbuilder::EmptyDocument();
  runs.TubeReserved.resize(1);
  TrackDocument partial = trackbuilder::EmptyDocument();
  partial.UnknownChunks = {{trackio::ChunkKind::NLIM, {}, {'X', 'T', 'R', 'A', 0, 0, 0, 9}}};
  TrackDocument known = trackbuilder::EmptyDocument();
  known.UnknownChunks = {{trackio::ChunkKind::NLIM, {}, {'t', 'u', 'b', 'e', 0, 0, 0, 0}}};
  TrackDocument misplaced = trackbuilder::EmptyDocument();
  misplaced.UnknownChunks = {{trackio::ChunkKind::SUPP, trackio::ChunkKind::INFO, {'X', 'T', 'R', 'A', 0, 0, 0, 0}}};
  ScratchFolder folder;
  for (TrackDocument* doc : {&trailer, &grid, &trailerBytes, &runs, &partial, &known, &misplaced}) {
    const trackio::SaveResult saved = trackio::SaveTrack(*doc, folder.File("t.nltrack"));
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.Error().kind, TrackErrorKind::Inconsistent) << saved.Error().Describe();
    EXPECT_EQ(saved.Error().Describe(), "the track cannot be saved: " + saved.Error().message);
  }
  EXPECT_TRUE(folder.Entries().empty());
}

TEST(LoadSave, ThousandsOfRecordsSaveAndLoadExactlyWithProgress) {
  // Footers, free nodes and tubes in the thousands, beside every other chunk
  // type: the library's bytes must equal the builder's, the builder's bytes
  // must load back into the same document, and both report their progress
  // up to the whole file.
  TrackDocument generated = trackbuilder::GeneratedDocument(30000);
  const std::vector<uint8_t> file = CanonicalFile(generated);
  const auto length = static_cast<int64_t>(file.size());
  ASSERT_GT(length, 2 << 20);
  std::vector<int64_t> saveReports;
  std::vector<int64_t> loadReports;
  auto recorder = [length](std::vector<int64_t>& reports) {
    return [length, &reports](int64_t done, int64_t total) {
      EXPECT_EQ(total, length);
      reports.push_back(done);
    };
  };
  const trackio::TrackResult<int64_t> prepared = trackio::PrepareForSaving(generated);
  ASSERT_TRUE(prepared);
  ASSERT_EQ(*prepared, length);
  trackio::MemorySink sink;
  trackio::WriteTrackFile(generated, sink, recorder(saveReports));
  EXPECT_EQ(sink.bytes, file);
  const trackio::LoadResult loaded = trackio::LoadTrackFromBytes(file, {.progress = recorder(loadReports)});
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->document, generated);
  for (const std::vector<int64_t>* reports : {&saveReports, &loadReports}) {
    ASSERT_GE(reports->size(), 3u);
    EXPECT_LE(reports->size(), 300u);
    EXPECT_TRUE(std::is_sorted(reports->begin(), reports->end()));
    EXPECT_EQ(reports->back(), length);
  }
}

TEST(LoadSave, ALargeFileLoadsFromItsPathAsFromMemory) {
  // A load by path reads the file a MiB at a time, keeping only the
  // pieces the readers are in: across piece ends, over an unknown chunk
  // longer than three pieces, through texts that span pieces, to a file
  // that ends exactly at a piece's end (the zero byte after it in a piece of
  // its own) or lacks only its final zero byte, and to a file cut off
  // inside its tubes, it must find what a load from memory finds.
  constexpr int64_t kMiB = int64_t{1} << 20;
  TrackDocument doc = trackbuilder::GeneratedDocument(60000);
  doc.EnvironmentText1 = std::string(static_cast<size_t>(5 * kMiB), 'e');
  doc.EnvironmentText2.clear();
  const int64_t plainLength = static_cast<int64_t>(CanonicalFile(doc).size());
  ASSERT_GT(plainLength, 12 * kMiB);
  doc.EnvironmentText2 = std::string(static_cast<size_t>(20 * kMiB - plainLength), 't');
  const std::vector<uint8_t> exact = CanonicalFile(doc);
  ASSERT_EQ(static_cast<int64_t>(exact.size()), 20 * kMiB);

  Chunk withUnknown = CanonicalTree(doc);
  Chunk unknown{"ZZZZ", {}, {}, {}, {}};
  unknown.body.Fill(static_cast<int>(13 * kMiB), 0x5A);
  withUnknown.children.insert(withUnknown.children.begin() + 1, unknown);
  withUnknown.subChunkCount = static_cast<int32_t>(withUnknown.children.size());
  std::vector<uint8_t> cut = exact;
  cut.resize(static_cast<size_t>(ChunkOffset(exact, "TUBE") + 1000001));

  const std::pair<const char*, std::vector<uint8_t>> files[] = {
      {"ends at a piece's end", exact},
      {"an unknown chunk", withUnknown.Serialize()},
      {"one byte longer", [&] { auto b = exact; b.push_back(0); return b; }()},
      {"without its final zero byte", [&] { auto b = exact; b.pop_back(); return b; }()},
      {"cut off in its tubes", cut},
  };
  ScratchFolder folder;
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    const std::string path = folder.File("large.nltrack");
    ASSERT_TRUE(trackbuilder::WriteFile(path, bytes));
    const trackio::LoadResult fromPath = trackio::LoadTrack(path, {.listChunks = true});
    const trackio::LoadResult fromMemory = trackio::LoadTrackFromBytes(bytes, {.listChunks = true});
    ASSERT_EQ(static_cast<bool>(fromPath), static_cast<bool>(fromMemory));
    if (!fromMemory) {
      EXPECT_EQ(fromPath.Error().Describe(), fromMemory.Error().Describe());
      continue;
    }
    EXPECT_TRUE(fromPath->document == fromMemory->document);
    ASSERT_EQ(fromPath->chunks.size(), fromMemory->chunks.size());
    for (size_t i = 0; i < fromPath->chunks.size(); ++i) {
      EXPECT_EQ(fromPath->chunks[i].offset, fromMemory->chunks[i].offset);
      EXPECT_EQ(fromPath->chunks[i].skipped, fromMemory->chunks[i].skipped);
    }
  }
}

TEST(LoadSave, AFileReadInPiecesEndsInAZeroByteWhateverItsMemoryHeldBefore) {
  // The last piece is read into memory that held the first: after the
  // file's last byte there must be a zero, not what the first piece held.
  constexpr int64_t kMiB = int64_t{1} << 20;
  ScratchFolder folder;
  const std::string path = folder.File("pieces.nltrack");
  const std::vector<uint8_t> bytes(static_cast<size_t>(20 * kMiB - 1), 0xAB);
  ASSERT_TRUE(trackbuilder::WriteFile(path, bytes));
  trackio::TrackError error;
  const auto file = trackio::FileInPieces::Open(path, bytes.size(), error);
  ASSERT_FALSE(error) << error.Describe();
  if (!file) GTEST_SKIP() << "files are read whole here";
  const int64_t length = file->Length();
  ASSERT_EQ(length, static_cast<int64_t>(bytes.size()));
  for (int64_t at = 0; at < length; at += kMiB / 2) {
    ASSERT_GE(file->MakeReadable(at + 1, at), at + 1);
    ASSERT_EQ(file->Bytes()[at], 0xAB) << at;
  }
  ASSERT_EQ(file->MakeReadable(length + 1, length), length + 1);
  EXPECT_EQ(file->Bytes()[length - 1], 0xAB);
  EXPECT_EQ(file->Bytes()[length], 0);
}
