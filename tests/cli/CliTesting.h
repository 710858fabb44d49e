// Running the tool in-process, with its standard input given and its output
// captured; and the check that a picture is well-formed XML.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#ifdef TARNWICK_XML_PARSER
#include <QByteArray>
#include <QXmlStreamReader>
#endif

#include "cli/Cli.h"

namespace clitesting {

struct Run {
  int status = -1;
  std::string out, err;
};

inline Run RunTool(const std::vector<std::string>& args, const std::string& standardInput = {}) {
  std::istringstream in(standardInput);
  std::ostringstream out, err;
  Run run;
  run.status = cli::RunCli(args, cli::Streams{in, out, err});
  run.out = out.str();
  run.err = err.str();
  return run;
}

inline std::string AsText(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// Empty when `xml` is a well-formed XML document, else what the parser says
// is wrong and where. Builds without Qt (the Windows cross build) do not
// parse; the Linux build checks the same bytes.
inline std::string XmlProblem(const std::string& xml) {
#ifdef TARNWICK_XML_PARSER
  QXmlStreamReader reader(QByteArray(xml.data(), static_cast<qsizetype>(xml.size())));
  while (!reader.atEnd()) reader.readNext();
  if (!reader.hasError()) return {};
  return reader.errorString().toStdString() + " at line " + std::to_string(reader.lineNumber()) + ", column " +
         std::to_string(reader.columnNumber());
#else
  (void)xml;
  return {};
#endif
}

}  // namespace clitesting
