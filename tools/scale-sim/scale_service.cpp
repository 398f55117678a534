#include "scale_service.h"

#include "reply_texts.h"

namespace dorvex::sim {

ScaleService::ScaleService(const SimOptions& options, RequestInterpreter& interpreter,
                           RequestLog& log)
    : options_(options), interpreter_(interpreter), log_(log), faults_(options) {}

ServiceReply ScaleService::Handle(TextView request) {
    // A zero ends a text, as on the library's side.
    request = request.substr(0, request.find(u'\0'));
    ServiceReply reply;
    reply.sequence = ++sequence_;
    log_.Write(reply.sequence, request);
    reply.plan = faults_.For(reply.sequence);
    switch (reply.plan.kind) {
        case ReplyKind::Drop:
            return reply;
        case ReplyKind::Unknown:
            reply.text = UnknownReply();
            break;
        case ReplyKind::Error:
            reply.text = ErrorReply(RequestInterpreter::LeadingName(request),
                                    u"injected error " + NumberText(reply.sequence));
            break;
        case ReplyKind::Answer:
            reply.text = interpreter_.Answer(request);
            break;
    }
    if (options_.echoSequence)
        reply.text = WithSequence(reply.sequence, *reply.text);
    return reply;
}

}  // namespace dorvex::sim
