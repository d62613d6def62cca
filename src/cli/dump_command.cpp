#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "movie/swf_stream_reader.h"
#include "swf/action_list.h"
#include "swf/action_records.h"
#include "swf/button_tags.h"
#include "swf/display_tags.h"
#include "swf/do_action_tags.h"
#include "swf/sprite_tags.h"
#include "swf/tag_factory.h"
#include "util/numbers.h"

namespace pellicor::cli {

namespace {

std::string Indent(int level) { return std::string(static_cast<std::size_t>(level) * 4, ' '); }

std::string PushedValue(const TPushValueInfo& value) {
    std::ostringstream text;
    switch (value.ValueType) {
        case pushString: text << '"' << *value.String() << '"'; break;
        case pushNull: text << "null"; break;
        case pushUndefined: text << "undefined"; break;
        case pushRegister: text << "register " << value.Integer(); break;
        case pushBoolean: text << (value.Boolean() ? "true" : "false"); break;
        case pushConstant8:
        case pushConstant16: text << "c" << value.Integer(); break;
        default: text << value.Number(); break;
    }
    return text.str();
}

// One line per action record: its name and payload length, with the values of the
// records whose values say most (Push, ConstantPool, GetURL, GotoFrame, SetTarget).
void PrintAction(const TSWFAction& action, int level) {
    std::cout << Indent(level) << SWFActionName(action.ActionCode());
    if (const auto* push = dynamic_cast<const TSWFActionPush*>(&action)) {
        for (std::size_t i = 0; i < push->Values.size(); ++i) std::cout << (i ? ", " : " ") << PushedValue(push->Values[i]);
    } else if (const auto* pool = dynamic_cast<const TSWFActionConstantPool*>(&action)) {
        for (std::size_t i = 0; i < pool->Constants.size(); ++i)
            std::cout << (i ? ", " : " ") << "c" << i << "=\"" << pool->Constants[i] << '"';
    } else if (const auto* url = dynamic_cast<const TSWFActionGetURL*>(&action)) {
        std::cout << " \"" << url->URL << "\" \"" << url->Target << '"';
    } else if (const auto* go = dynamic_cast<const TSWFActionGotoFrame*>(&action)) {
        std::cout << ' ' << go->Frame;
    } else if (const auto* target = dynamic_cast<const TSWFActionSetTarget*>(&action)) {
        std::cout << " \"" << target->TargetName << '"';
    } else if (const auto* code = dynamic_cast<const TSWFActionByteCode*>(&action)) {
        std::cout << ' ' << code->Bytes().size() << " bytes";
    }
    std::cout << '\n';
}

void PrintActions(const TSWFActionListBase* actions, int level, const std::string& title) {
    const auto* list = dynamic_cast<const TSWFActionList*>(actions);
    if (!list) return;
    if (!title.empty()) std::cout << Indent(level) << title << '\n';
    for (const auto& action : list->Items())
        if (action->ActionCode() != actionOffsetMarker) PrintAction(*action, level + (title.empty() ? 0 : 1));
}

void PrintTagActions(const TSWFObject& tag, int level) {
    if (const auto* doAction = dynamic_cast<const TSWFDoAction*>(&tag)) {
        PrintActions(&doAction->Actions(), level, "");
    } else if (const auto* button = dynamic_cast<const TSWFDefineButton*>(&tag)) {
        PrintActions(button->ActionsIfAny(), level, "on release:");
    } else if (const auto* button2 = dynamic_cast<const TSWFDefineButton2*>(&tag)) {
        for (const TSWFButtonCondAction& condition : button2->CondActions) {
            std::ostringstream title;
            title << "on conditions 0x" << std::hex << condition.Conditions << ':';
            PrintActions(condition.ActionsIfAny(), level, title.str());
        }
    } else if (const auto* place = dynamic_cast<const TSWFPlaceObject2*>(&tag)) {
        if (const TSWFClipActions* clip = place->ClipActionsIfAny()) {
            for (const auto& record : clip->Records) {
                std::ostringstream title;
                title << "on events 0x" << std::hex << record->EventFlags << ':';
                PrintActions(record->ActionsIfAny(), level, title.str());
            }
        }
    }
}

void PrintEntry(const TSWFTagInfo& entry, const TSWFObject* tag, int level, bool withActions) {
    std::cout << Indent(level) << "frame " << entry.FrameNumber << "  code " << entry.TagCode << ' '
              << SWFTagName(entry.TagCode) << "  length " << entry.BodyLength;
    if (entry.LongHeader) std::cout << " (long header)";
    if (const auto* error = dynamic_cast<const TSWFErrorTag*>(tag))
        std::cout << "  unreadable code " << error->ReadCode << ": " << error->ErrorText;
    std::cout << '\n';
    if (!tag) return;
    if (withActions) PrintTagActions(*tag, level + 1);
    if (const auto* sprite = dynamic_cast<const TSWFDefineSprite*>(tag)) {
        for (std::size_t i = 0; i < entry.SubEntries.size(); ++i) {
            const TSWFObject* inner = i < sprite->ControlTags.size() ? sprite->ControlTags[i].get() : nullptr;
            PrintEntry(entry.SubEntries[i], inner, level + 1, withActions);
        }
    }
}

void PrintHeader(const std::string& path, const TSWFStreamReader& reader) {
    const TSWFHeader& header = reader.Header();
    const TSWFRect& rect = header.FrameRect;
    std::cout << path << ": " << (header.Compressed ? "CWS" : "FWS") << " version " << int(header.Version)
              << ", file length " << header.FileLength << "\n"
              << "stage " << rect.Xmin() << ',' << rect.Ymin() << " - " << rect.Xmax() << ',' << rect.Ymax()
              << " twips (" << reader.Width() / 20.0 << " x " << reader.Height() / 20.0 << " px), "
              << Fixed8ToFloat(header.FrameRate) << " fps, " << header.FrameCount << " frames, "
              << reader.TagCount() << " tags\n";
}

int DumpFile(const std::string& path, bool withActions) {
    try {
        TSWFStreamReader reader;
        reader.LoadFromFile(path);
        if (!reader.Valid()) {
            std::cerr << path << ": not an SWF file\n";
            return 2;
        }
        reader.ParseTags(true, withActions);
        PrintHeader(path, reader);
        for (const TSWFTagInfo& entry : reader.Tags()) PrintEntry(entry, entry.TagObject.get(), 0, withActions);
        return 0;
    } catch (const std::exception& error) {
        std::cerr << path << ": " << error.what() << '\n';
        return 2;
    }
}

}  // namespace

// pellicor-cli dump FILE.swf [--actions]: the header and one line per tag through the SWF
// reader; sprites list their inner tags indented. Exit status 2 for a file that is not an
// SWF file or cannot be read.
void AddDumpCommand(CLI::App& app, int& exitStatus) {
    auto* command = app.add_subcommand("dump", "List the header and the tags of an SWF file");
    auto path = std::make_shared<std::string>();
    auto withActions = std::make_shared<bool>(false);
    command->add_option("FILE", *path, "SWF file")->required();
    command->add_flag("--actions", *withActions, "Also list the action records of frame, button and clip actions");
    command->callback([path, withActions, &exitStatus] { exitStatus = DumpFile(*path, *withActions); });
}

}  // namespace pellicor::cli
