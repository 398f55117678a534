#include "link/link_factory.h"

#include <iterator>
#include <string_view>

#include "link/serial_link.h"
#include "link/tcp_client_link.h"
#include "link/tcp_server_link.h"

namespace dorvex {
namespace {

struct LinkKind {
    std::string_view code;
    std::unique_ptr<Link> (*create)(TextView descriptor);
};

template <class KindOfLink>
std::unique_ptr<Link> Create(TextView descriptor) {
    return std::make_unique<KindOfLink>(descriptor);
}

constexpr LinkKind kLinkKinds[] = {
    {TcpClientLink::kKindCode, &Create<TcpClientLink>},
    {TcpServerLink::kKindCode, &Create<TcpServerLink>},
    {SerialLink::kKindCode, &Create<SerialLink>},
};

}  // namespace

std::unique_ptr<Link> CreateLink(TextView descriptor) {
    const std::string code = ToUtf8(ToUpper(descriptor.substr(0, 3)));
    for (const LinkKind& kind : kLinkKinds) {
        if (code == kind.code)
            return kind.create(descriptor);
    }
    return nullptr;
}

// "unknown link kind "X" (use IPC, IPS or COM)"
Text UnknownLinkKindReason(TextView descriptor) {
    Text codes;
    for (std::size_t i = 0; i < std::size(kLinkKinds); ++i) {
        if (i > 0)
            codes += i + 1 == std::size(kLinkKinds) ? u" or " : u", ";
        codes += FromUtf8(kLinkKinds[i].code);
    }
    return u"unknown link kind \"" + Text(descriptor) + u"\" (use " + codes + u")";
}

}  // namespace dorvex
