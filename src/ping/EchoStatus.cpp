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

// The label words, one per code; the same rule as above keeps the table whole.
const char* reasonOf(EchoStatus status)
{
    switch (status) {
    case EchoStatus::Success:
        return "success";
    case EchoStatus::PingTimeout:
        return "ping_timeout";
    case EchoStatus::BufferTooSmall:
        return "buffer_too_small";
    case EchoStatus::DestNetUnreachable:
        return "net_unreachable";
    case EchoStatus::DestHostUnreachable:
        return "host_unreachable";
    case EchoStatus::DestProtUnreachable:
        return "protocol_unreachable";
    case EchoStatus::DestPortUnreachable:
        return "port_unreachable";
    case EchoStatus::NoResources:
        return "no_resources";
    case EchoStatus::BadOption:
        return "bad_option";
    case EchoStatus::HardwareError:
        return "hardware_error";
    case EchoStatus::PacketTooBig:
        return "packet_too_big";
    case EchoStatus::RequestTimedOut:
        return "timeout";
    case EchoStatus::BadRequest:
        return "bad_request";
    case EchoStatus::BadRoute:
        return "bad_route";
    case EchoStatus::TtlExpiredTransit:
        return "ttl_expired";
    case EchoStatus::TtlExpiredReassembly:
        return "reassembly_time_exceeded";
    case EchoStatus::ParameterProblem:
        return "parameter_problem";
    case EchoStatus::SourceQuench:
        return "source_quench";
    case EchoStatus::OptionTooBig:
        return "option_too_big";
    case EchoStatus::BadDestination:
        return "bad_destination";
    case EchoStatus::AddressDeleted:
        return "address_deleted";
    case EchoStatus::SpecificMtuChange:
        return "specific_mtu_change";
    case EchoStatus::MtuChange:
        return "mtu_change";
    case EchoStatus::Unload:
        return "unload";
    case EchoStatus::AddressAdded:
        return "address_added";
    case EchoStatus::GeneralFailure:
        return "general_failure";
    case EchoStatus::Pending:
        return "pending";
    }
    return nullptr;
}

} // namespace

QString statusText(EchoStatus status)
{
    return QString::fromLatin1(textOf(status));
}

QByteArray statusReason(EchoStatus status)
{
    if (const char* reason = reasonOf(status))
        return QByteArray(reason);
    return "status_" + QByteArray::number(static_cast<quint32>(status));
}
