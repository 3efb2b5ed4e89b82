// The report's readers over any bytes, cut into pieces anywhere: they never
// fail, every event they hand on has its table's number of values and a path
// (or message), and the page and CSV made of them are written whole.
#include <cstdlib>

#include "FuzzInput.h"
#include "log/EventFields.h"
#include "report/Fleet.h"
#include "report/Page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const std::string_view bytes = input.Rest();
  report::Fleet fleet;
  report::EventStream stream(1796814000, [&](const report::Event& event) {
    const std::size_t expected = event.id == 1000 ? events::kWarningFields.size() : events::kFailureFields.size();
    if ((event.id != 1000 && event.id != 1001) || event.values.size() != expected || event.values[0].empty())
      std::abort();
    fleet.Add(event);
  });
  stream.Begin("input");
  // Pieces of a size the input's first byte chooses, so that every split is tried.
  const std::size_t piece = bytes.empty() ? 1 : 1 + static_cast<unsigned char>(bytes[0]) % 17;
  for (std::size_t at = 0; at < bytes.size(); at += piece) stream.Feed(bytes.substr(at, piece));
  stream.End();
  const std::string page = report::PageOf(fleet, {{"input"}, stream.events(), stream.malformed(), {}, 0});
  if (!page.ends_with("</html>\n") || page.find("<script") != std::string::npos) std::abort();
  report::CsvOf(fleet);
  return 0;
}
