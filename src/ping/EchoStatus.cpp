#include "ping/EchoStatus.h"

namespace
{

// Every enumerator has its case, so the compiler warns when a code is added without its text.
const char* textOf(EchoStatus status)
{
    switch (status) {
    case EchoStatus::Success:
        return "Success";
    case EchoStatus::PingTimeout:
        return "Ping timeout";
    case EchoStatus::BufferTooSmall:
        return "Buffer too small";
    case EchoStatus::DestNetUnreachable:
        return "Destination network unreachable";
    case EchoStatus::DestHostUnreachable:
        return "Destination host unreachable";
    case EchoStatus::DestProtUnreachable:
        return "Destination protocol unreachable";
    case EchoStatus::DestPortUnreachable:
        return "Destination port unreachable";
    case EchoStatus::NoResources:
        return "No resources";
    case EchoStatus::BadOption:
        return "Bad option";
    case EchoStatus::HardwareError:
        return "Hardware error";
    case EchoStatus::PacketTooBig:
        return "Packet too big";
    case EchoStatus::RequestTimedOut:
        return "Request timed out";
    case EchoStatus::BadRequest:
        return "Bad request";
    case EchoStatus::BadRoute:
        return "Bad route";
    case EchoStatus::TtlExpiredTransit:
        return "TTL expired transit";
    case EchoStatus::TtlExpiredReassembly:
        return "TTL expired reassem";
    case EchoStatus::ParameterProblem:
        return "Parameter problem";
    case EchoStatus::SourceQuench:
        return "Source quench";
    case EchoStatus::OptionTooBig:
        return "Option too big";
    case EchoStatus::BadDestination:
        return "Bad destination";
    case EchoStatus::AddressDeleted:
        return "Address deleted";
    case EchoStatus::SpecificMtuChange:
        return "Specific MTU change";
    case EchoStatus::MtuChange:
        return "MTU change";
    case EchoStatus::Unload:
        return "Unload";
    case EchoStatus::AddressAdded:
        return "Address added";
    case EchoStatus::GeneralFailure:
        return "General failure";
    case EchoStatus::Pending:
        return "Pending";
    }
    return "Unknown message returned";
}

} // namespace

QString statusText(EchoStatus status)
{
    return QString::fromLatin1(textOf(status));
}
