#include <gtest/gtest.h>

#include <sstream>

#include "JsonReader.h"
#include "cli/JsonWriter.h"

namespace {

using cli::JsonQuoted;

TEST(JsonQuoted, EscapesWhatJsonRequiresAndKeepsValidUtf8) {
  EXPECT_EQ(JsonQuoted("plain"), "\"plain\"");
  EXPECT_EQ(JsonQuoted("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(JsonQuoted("line\nnext\ttab\r"), "\"line\\nnext\\ttab\\r\"");
  EXPECT_EQ(JsonQuoted(std::string("\0\x01\x1f\x7f", 4)), "\"\\u0000\\u0001\\u001f\\u007f\"");
  EXPECT_EQ(JsonQuoted("Gr\xC3\xBCn \xE2\x82\xAC \xF0\x9F\x8E\xA2"), "\"Gr\xC3\xBCn \xE2\x82\xAC \xF0\x9F\x8E\xA2\"");
  // Bytes that are not UTF-8 (Latin-1 text, a cut sequence, an overlong
  // form, a surrogate) become escapes, so the output stays valid.
  EXPECT_EQ(JsonQuoted("Gr\xFCn"), "\"Gr\\u00fcn\"");
  EXPECT_EQ(JsonQuoted("\xE2\x82"), "\"\\u00e2\\u0082\"");
  EXPECT_EQ(JsonQuoted("\xC0\xAF"), "\"\\u00c0\\u00af\"");
  EXPECT_EQ(JsonQuoted("\xED\xA0\x80"), "\"\\u00ed\\u00a0\\u0080\"");
}

TEST(JsonWriter, WritesNestedValuesThatReadBack) {
  std::ostringstream out;
  cli::JsonWriter json(out);
  json.BeginObject();
  json.Key("name").String("Z\x01Q!");
  json.Key("empty").BeginArray().EndArray();
  json.Key("list").BeginArray().Number(-5).Bool(true).Null().BeginObject().EndObject().EndArray();
  json.Key("inner").BeginObject().Key("n").Number(9007199254740993LL).EndObject();
  json.EndObject();

  EXPECT_EQ(out.str(),
            "{\n"
            "  \"name\": \"Z\\u0001Q!\",\n"
            "  \"empty\": [],\n"
            "  \"list\": [\n"
            "    -5,\n"
            "    true,\n"
            "    null,\n"
            "    {}\n"
            "  ],\n"
            "  \"inner\": {\n"
            "    \"n\": 9007199254740993\n"
            "  }\n"
            "}\n");
  std::string error;
  const auto parsed = jsonreader::ParseJson(out.str(), &error);
  ASSERT_TRUE(parsed) << error;
  EXPECT_EQ((*parsed)["name"].string, "Z\x01Q!");
  EXPECT_EQ((*parsed)["list"].array.size(), 4u);
}

}  // namespace
