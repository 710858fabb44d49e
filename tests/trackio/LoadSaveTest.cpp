// The load walk, the save drivers and the files they touch.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

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
  EXPECT_EQ(Saved(doc), CanonicalFile(sample)) << "the unknown chunk is dropped";

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
    EXPECT_EQ(loaded.error().kind, one.kind) << one.path;
    EXPECT_EQ(loaded.error().Describe(), one.sentence) << one.path;
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
  EXPECT_EQ(text.error().kind, TrackErrorKind::NotATrack);
  EXPECT_EQ(text.error().Describe(), "not a track file (it does not begin with an NLIM chunk)");
}

TEST(LoadSave, LoadsAndSavesANameBeyondAscii) {
  // The euro sign: on Windows its narrow form is in the program's code page,
  // the one the C runtime that writes the file below reads names in too.
  ScratchFolder folder;
  const std::string name = trackio::ToNarrow(fs::path(u8"\u20AC \u00E9.nltrack"));
  const std::vector<uint8_t> file = CanonicalFile(SampleDocument());
  ASSERT_TRUE(trackbuilder::WriteFile(folder.File(name), file));
  trackio::LoadResult loaded = trackio::LoadTrack(folder.File(name));
  ASSERT_TRUE(loaded) << loaded.error().Describe();

  const std::string copy = trackio::ToNarrow(fs::path(u8"\u20AC copy.nltrack"));
  const trackio::SaveResult saved = trackio::SaveTrack(loaded->document, folder.File(copy));
  ASSERT_TRUE(saved) << saved.error().Describe();
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
    ASSERT_TRUE(saved) << saved.error().Describe();
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
  EXPECT_EQ(saved.error().kind, TrackErrorKind::FileSystem);
  EXPECT_FALSE(saved.error().message.empty());

  // A directory where the file should go is left as it is.
  fs::create_directory(folder.File("d.nltrack"));
  EXPECT_FALSE(trackio::SaveTrack(doc, folder.File("d.nltrack")));
  EXPECT_TRUE(fs::is_directory(folder.File("d.nltrack")));
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"d.nltrack"});

  saved = trackio::SaveTrack(doc, "");
  ASSERT_FALSE(saved);
  EXPECT_EQ(saved.error().kind, TrackErrorKind::EmptyPath);
}

TEST(LoadSave, ATrackTooLargeForTheFormatIsRefusedBeforeWriting) {
  TrackDocument doc = trackbuilder::EmptyDocument();
  doc.Catwalks = {{0, 0, 0, 0, 0, 0, std::numeric_limits<int32_t>::max() - 10}};
  EXPECT_THROW(trackio::BuildTrackFile(doc), trackio::TrackFormatError);
  ScratchFolder folder;
  const trackio::SaveResult saved = trackio::SaveTrack(doc, folder.File("big.nltrack"));
  ASSERT_FALSE(saved);
  EXPECT_EQ(saved.error().kind, TrackErrorKind::TooLarge);
  EXPECT_TRUE(folder.Entries().empty());
}

TEST(LoadSave, SizesAllowExactlyTheLongestFileALoadAccepts) {
  // A catwalk trailer stretches the file without holding memory.
  TrackDocument doc = trackbuilder::EmptyDocument();
  doc.Catwalks = {trackio::Catwalk{}};
  const int64_t withoutTrailer = trackio::SavedFileLength(doc);
  doc.Catwalks[0].TrailerLength = static_cast<int32_t>(trackio::kMaxTrackFileLength - withoutTrailer);
  ASSERT_EQ(trackio::SavedFileLength(doc), trackio::kMaxTrackFileLength);
  EXPECT_NO_THROW(trackio::ComputeChunkSizes(doc));

  doc.Catwalks[0].TrailerLength += 1;
  try {
    trackio::ComputeChunkSizes(doc);
    ADD_FAILURE() << "a file one byte longer than a load accepts was sized";
  } catch (const trackio::TrackFormatError& error) {
    EXPECT_EQ(error.kind(), TrackErrorKind::TooLarge);
  }
}

TEST(LoadSave, ADocumentWhoseFieldsDisagreeIsRefusedAsInconsistent) {
  TrackDocument trailer = trackbuilder::EmptyDocument();
  trailer.Catwalks = {{0, 0, 0, 0, 0, 0, -1}};
  TrackDocument grid = trackbuilder::EmptyDocument();
  grid.TerrainPresent = true;
  grid.TerrainColumnCount = 2;
  grid.TerrainRowCount = 2;
  grid.TerrainGrid.resize(3);
  ScratchFolder folder;
  for (TrackDocument* doc : {&trailer, &grid}) {
    const trackio::SaveResult saved = trackio::SaveTrack(*doc, folder.File("t.nltrack"));
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().kind, TrackErrorKind::Inconsistent) << saved.error().Describe();
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
  ASSERT_EQ(trackio::PrepareForSaving(generated), length);
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
      EXPECT_EQ(fromPath.error().Describe(), fromMemory.error().Describe());
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
