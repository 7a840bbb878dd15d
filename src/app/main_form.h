#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/start_up.h"
#include "input/birthday_parser.h"
#include "link/message_transport.h"
#include "records/person_card.h"
#include "records/person_search.h"
#include "store/chk_uid.h"
#include "store/document_upgrade.h"
#include "store/person_document.h"
#include "ui/window.h"
#include "util/clock.h"

// The main form: the values it holds, the exchange of those values with its controls, the start-up that opens the
// person document, and one method per event or operation. It works only through the window-system contract, so
// every backend (and the tests' headless one) drives the same form.
namespace app {

enum class FormMode {
    NewPerson = 1,    // a new person is being entered: saving also moves the document's counters
    ShownPerson = 2,  // a person from the list is shown
};

// Prompts and messages of the form (GBK).
inline constexpr std::string_view kMessageCaption = "提示";
inline constexpr std::string_view kWholeNumberPrompt = "请输入一个整数。";
inline constexpr std::string_view kNumberPrompt = "请输入一个数。";
inline constexpr std::string_view kUpgradeQuestion = "文件版本过低，是否转换升级文件？";
inline constexpr const char* kNoteTimePattern = "%Y-%m-%d %H:%M:%S";

class MainForm final : public ui::FormEvents {
  public:
    MainForm(ui::Window& window, const util::Clock& clock, calclink::MessageTransport& transport);
    ~MainForm() override;
    MainForm(const MainForm&) = delete;
    MainForm& operator=(const MainForm&) = delete;

    // How the platform registers the document type: empty when it succeeded, otherwise why it failed (GBK). Without
    // one the button says it cannot be done here.
    void setFileAssociation(std::function<std::string()> associate) { associate_ = std::move(associate); }

    // The initialisation once the window exists: the document from the command-line tail, its base section, the
    // lists, the recorded time, the question about an old document, the person list, the controls.
    void initialize(std::string_view commandTail);
    // The same with the document already chosen (a platform whose command line is not GBK).
    void initialize(const DocumentChoice& document);

    // ui::FormEvents
    void onCommand(int id) override;
    void onSelectionChange(int id) override;
    void onListClick(int id) override;
    void onCopyData(std::string_view bytes) override;
    void onEditChange(int id) override;

    // The data exchange: controls to held values (false at the first refused number, after its prompt, with the
    // focus in that field), and held values to controls.
    bool takeValues();
    void refreshControls();

    // The operations. The person list shows the cards that hold the text of the search field (all of them, as the
    // list has them, while it is empty), with their count beside the field.
    void fillPersonList();
    void showPerson();
    void newPerson();
    void savePerson();
    void refreshAnalysis(bool refresh);
    bool updateDignityMark(int planet);
    void getBirthday();
    void fillNow();
    void lookupTimeZone();
    int onCalculatorAnswer(std::string_view bytes);
    void registerFileType();
    // Every card into a file the user chooses, and the records of such a file as new cards, each ending with a
    // message that says how many (and which records were skipped, and why).
    void exportCards(bool csv);
    void importCards(bool csv);
    store::UpgradeOutcome upgradeDocument();
    void showChart();

    // The chart of the card on the form: the signs chosen in its lists and its held degrees.
    chart::WheelChart chartOnForm() const;

    const records::CardValues& values() const { return values_; }
    FormMode formMode() const { return mode_; }
    bool closed() const { return closed_; }
    CChkUid& store() { return store_; }
    const std::vector<store::Person>& listedPersons() const { return listed_; }

  private:
    static std::array<std::pair<int, std::string*>, 13> textBindings(records::CardValues& values);
    void closeForm();
    records::Card cardOnForm() const;
    std::string documentName() const;
    std::string nowText() const;
    void fillLunarDate(const input::BirthdayResult& birthday);

    ui::Window& window_;
    const util::Clock& clock_;
    calclink::MessageTransport& transport_;
    std::function<std::string()> associate_;

    FormMode mode_ = FormMode::NewPerson;
    CChkUid store_;
    records::CardValues values_;
    std::vector<store::Person> listed_;  // the record of each row of the person list
    records::PersonSearch search_;
    // The section index of the card the form may write without asking: the person shown, or the one saved last.
    std::optional<std::int32_t> ownIndex_;
    bool closed_ = false;
    bool awaitingAnswer_ = false;  // a request to the calculator is out
    std::string answerProblem_;    // why the answer that came meanwhile could not be read
};

}  // namespace app
