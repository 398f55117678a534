// Every text the simulated scale answers with. The library looks only for its markers
// (" m=\"e\">", "<unt>", "COUNT(*)<val>", "<fld>", "<val>", "\">"); the rest is ours and is
// listed in --help.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/text.h"
#include "sim_schema.h"

namespace dorvex::sim {

// The three characters that end every record of a whole-table read; the library cuts them off.
inline constexpr TextView kRecordEnd = u"<#>";
// Five characters between " m=\"e\">" and the error text: the library skips exactly five.
inline constexpr TextView kErrorTag = u"<err>";

Text ErrorReply(TextView name, TextView message);
Text UnknownReply();
Text IdentityReply(TextView device);
// "<tag m=\"w\"><res>OK", and the same for "d".
Text DoneReply(TextView name, TextView mode);
// "<tag m=\"r\"><t1>v1<t2>v2..." with every field of the record.
Text RecordReply(const SimTable& table, const std::vector<Text>& values);
Text CountReply(std::int64_t count);
// "<sql m=\"r+\"><fld>N1;N2<val>v1;v2<#>"
Text WalkReply(TextView mode, const std::vector<Text>& names, const std::vector<Text>& values);
Text DeletedReply(std::int64_t count);
// "<seq>N" in front of a reply: before the leading tag, where no marker of the library looks.
Text WithSequence(std::int64_t sequence, TextView reply);

// A value as it goes back: "<" and ">" escaped, every line break as CR LF.
Text ValueForReply(TextView value);

}  // namespace dorvex::sim
