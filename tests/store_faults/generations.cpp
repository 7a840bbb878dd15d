#include "generations.h"

#include <cstdlib>
#include <string>

#include "util/format.h"

namespace faults {

using store::DocumentForm;

store::Person generationPerson(std::int32_t n, int generation) {
    store::Person person;
    person.index = n;
    for (store::PersonKey key : store::kKeyTable)
        person[key] = util::format("%d.%ld.", generation, static_cast<long>(n)) + std::string(store::keyName(key));
    return person;
}

std::vector<store::IniEdit> personSave(std::int32_t n, int generation) {
    return store::personEdits(generationPerson(n, generation), n, DocumentForm::Current);
}

std::vector<store::IniEdit> countedSave(std::int32_t n, int generation) {
    std::vector<store::IniEdit> edits = personSave(n, generation);
    const std::string base(store::kBaseSection);
    edits.push_back(
        store::IniEdit::set(base, std::string(store::kNewCodeKey), store::formatCode(store::kFirstCode + generation)));
    edits.push_back(store::IniEdit::set(base, std::string(store::kLastIndexKey), store::formatIndex(generation)));
    return edits;
}

bool createDocument(const std::filesystem::path& path, int persons) {
    CChkUid store;
    store.InitChkCfg(path, ".qelvo");
    std::vector<store::IniEdit> edits = store::newDocumentEdits();
    for (int generation = 1; generation <= persons; ++generation) {
        const std::vector<store::IniEdit> save = countedSave(generation, generation);
        edits.insert(edits.end(), save.begin(), save.end());
    }
    return store.SetMyKeys(edits);
}

std::optional<int> personGeneration(CChkUid& store, std::int32_t n) {
    const store::Person person = store::readPerson(store, n, DocumentForm::Current);
    if (person.texts == store::Person{}.texts)
        return 0;
    const int generation = std::atoi(person[store::PersonKey::UInd].c_str());
    if (generation <= 0 || person.texts != generationPerson(n, generation).texts)
        return std::nullopt;
    return generation;
}

std::optional<int> baseGeneration(CChkUid& store) {
    const std::string base(store::kBaseSection);
    const int generation = std::atoi(store.GetMyKey(base, store::kLastIndexKey).c_str());
    if (store.GetMyKey(base, store::kNewCodeKey) != store::formatCode(store::kFirstCode + generation))
        return std::nullopt;
    return generation;
}

}  // namespace faults
