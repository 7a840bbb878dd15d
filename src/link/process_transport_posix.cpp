#include "link/process_transport.h"

#include <unistd.h>

#include <cstring>

#include "util/child_process.h"
#include "util/format.h"
#include "util/text_codec.h"

namespace calclink {

namespace {

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

// The asking window's class, as the request names it between "$" and "#".
std::string_view askerOf(std::string_view request) {
    if (request.empty() || request.front() != '$')
        return {};
    const std::size_t hash = request.find('#');
    return hash == std::string_view::npos ? std::string_view() : request.substr(1, hash - 1);
}

// The program's complaint on its standard error (UTF-8), as one GBK line without the program's own name.
std::string complaintOf(std::string text, const std::string& program) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    const std::string prefix = program + ": ";
    if (text.rfind(prefix, 0) == 0)
        text.erase(0, prefix.size());
    if (const std::size_t line = text.find('\n'); line != std::string::npos)
        text.erase(line);
    return util::utf8ToGbk(text, true).value_or(text);
}

// How the program itself ended, for a message.
std::string endText(const util::ChildOutcome& outcome) {
    return outcome.signal != 0 ? util::format("被信号 %d 终止", outcome.signal)
                               : util::format("退出码 %d", outcome.exitCode);
}

}  // namespace

ProcessTransport::ProcessTransport(std::filesystem::path programFolder, std::chrono::milliseconds timeout)
    : programFolder_(std::move(programFolder)), timeout_(timeout) {}

std::optional<std::filesystem::path> ProcessTransport::programFor(std::string_view windowClass) const {
    const std::string name = lowerCase(windowClass);
    if (name.empty() || name.find('/') != std::string::npos)
        return std::nullopt;
    if (!programFolder_.empty()) {
        const std::filesystem::path beside = programFolder_ / name;
        std::error_code ec;
        if (std::filesystem::is_regular_file(beside, ec) && ::access(beside.c_str(), X_OK) == 0)
            return beside;
    }
    return util::findOnPath(name);
}

std::optional<std::intptr_t> ProcessTransport::sendText(std::string_view windowClass, std::string_view text) {
    lastFailure_.clear();
    const std::string name = lowerCase(windowClass);
    const std::optional<std::filesystem::path> program = programFor(windowClass);
    if (!program) {
        report(util::format("找不到计算器程序 %s：本程序所在的文件夹和 PATH 中都没有它，无法获得行星位置。",
                            name.c_str()));
        return std::nullopt;
    }
    constexpr std::size_t kOutputLimit = 64 * 1024;
    const util::ChildOutcome outcome =
        util::runChild(*program, {program->string(), "--answer", std::string(text)}, timeout_, kOutputLimit);
    const long seconds = static_cast<long>((timeout_.count() + 999) / 1000);
    const std::string complaint = complaintOf(outcome.err, name);
    switch (outcome.end) {
        case util::ChildOutcome::End::NotStarted: {
            const std::string reason = std::strerror(outcome.startError);
            report(util::format("无法启动计算器程序 %s：%s", name.c_str(),
                                util::utf8ToGbk(reason, true).value_or(reason).c_str()));
            return 0;
        }
        case util::ChildOutcome::End::TimedOut:
            if (outcome.endedBeforeTimeOut)
                report(
                    util::format("计算器程序 %s 已结束（%s），但它启动的程序到%ld秒时仍占着它的输出，已被一并强行停止；"
                                 "它的输出没有采用。",
                                 name.c_str(), endText(outcome).c_str(), seconds));
            else
                report(util::format("计算器程序 %s 在%ld秒内没有应答，已将它和它启动的程序一并强行停止。", name.c_str(),
                                    seconds));
            return 0;
        case util::ChildOutcome::End::Signalled:
            report(util::format("计算器程序 %s 被信号 %d 终止，没有应答。", name.c_str(), outcome.signal));
            return 0;
        case util::ChildOutcome::End::Exited:
            break;
    }
    std::string answer = outcome.out;
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r'))
        answer.pop_back();
    std::string failure;
    if (outcome.exitCode != 0)
        failure = util::format("计算器程序 %s 以退出码 %d 结束，没有应答", name.c_str(), outcome.exitCode);
    else if (outcome.outCut)
        failure = util::format("计算器程序 %s 的输出超过 %d KB，不是应答，没有采用", name.c_str(),
                               static_cast<int>(kOutputLimit / 1024));
    else if (answer.empty())
        failure = util::format("计算器程序 %s 正常结束（退出码 0），却没有输出应答", name.c_str());
    if (!failure.empty()) {
        report(complaint.empty() ? failure + "。" : failure + "：" + complaint);
        return 0;
    }
    answer.push_back('\0');  // the copy-data message carries the answer's terminating NUL
    const auto listener = listeners_.find(askerOf(text));
    if (listener != listeners_.end() && listener->second) {
        const CopyDataReceiver receive = listener->second;
        receive(answer);
    }
    return 1;
}

void ProcessTransport::listen(std::string_view windowClass, CopyDataReceiver receive) {
    listeners_[std::string(windowClass)] = std::move(receive);
}

}  // namespace calclink
