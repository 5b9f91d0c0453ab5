#include "quiz/questionbank.h"

#include "runtime/cp1251.h"
#include "runtime/textfile.h"
#include "runtime/workingdirectory.h"

namespace {

const std::string AnswersEnd = "#";

std::string Quoted(const std::string &fileName)
{
    return "«" + fileName + "»";
}

std::string Where(const std::string &fileName, int line)
{
    return "Файл вопросов " + Quoted(fileName) + ", строка " + std::to_string(line) + ": ";
}

// Reads the bank line by line with the statement check after each line, and stops with a
// BankFormatError wherever the file cannot be a bank the program can ask.
class BankReader {
public:
    BankReader(TextFile &file, const std::string &fileName) : m_file(file), m_fileName(fileName) {}

    // One line statement: the whole line, then past its line end.
    std::string ReadLine()
    {
        const int line = m_file.LineNumber();
        std::string text = m_file.ReadText();
        m_file.SkipLine();
        CheckIo();
        RejectLineFeed(text, line);
        return text;
    }

    // A file saved with Unix line ends reads as one long line: the most likely mistake of a
    // teacher who edits a bank, so it gets a message of its own.
    void RejectLineFeed(const std::string &text, int line) const
    {
        if (text.find('\n') != std::string::npos) {
            throw BankFormatError(Where(m_fileName, line) +
                                  "строки разделены только символом LF (перевод строки без "
                                  "возврата каретки CR). Сохраните файл с концами строк CR LF, "
                                  "как принято в Windows.");
        }
    }

    // At the end of the text every read gives an empty line for ever, so a line that should come
    // must be seen to be there before it is read.
    bool LineFollows()
    {
        const bool ended = m_file.AtEndOfText();
        CheckIo();
        return !ended;
    }

    void ExpectAnswerLine(int question, int questionLine)
    {
        if (!LineFollows()) {
            throw BankFormatError("Файл вопросов " + Quoted(m_fileName) +
                                  " кончился, а у вопроса " + std::to_string(question) +
                                  " (строка " + std::to_string(questionLine) +
                                  ") нет завершающей строки «#».");
        }
    }

private:
    TextFile &m_file;
    const std::string &m_fileName;
};

// Fills positions 1..QuestionCount with a random permutation by drawing numbers until one comes
// that has not been drawn yet.
void Shuffle(QuestionBank &bank, std::mt19937 &generator)
{
    std::array<bool, MaxQuestions + 1> drawn{};
    std::uniform_int_distribution<int> draw(0, bank.QuestionCount - 1);
    for (int position = 1; position <= bank.QuestionCount; ++position) {
        int number = 0;
        do {
            number = 1 + draw(generator);
        } while (drawn[number]);
        drawn[number] = true;
        bank.QuestionOrder[position] = static_cast<std::uint8_t>(number);
    }
}

std::string BankLine(const QString &text)
{
    std::string bytes = ToCp1251(text);
    if (bytes.find_first_of("\r\n\x1a") != std::string::npos) {
        throw std::invalid_argument("a bank line cannot hold a line end or Ctrl+Z: " +
                                    text.toStdString());
    }
    return bytes + "\r\n";
}

} // namespace

void ReadTest(QuestionBank &bank, std::uint8_t pupilGrade, const std::string &startDirectory,
              std::mt19937 &generator)
{
    SetCurrentDirectory(startDirectory);
    LoadBank(bank, BankFileNames.at(pupilGrade), generator);
}

void LoadBank(QuestionBank &bank, const std::string &fileName, std::mt19937 &generator)
{
    TextFile file(fileName);
    file.OpenForReading();
    CheckIo();
    BankReader reader(file, fileName);

    const bool empty = file.AtEndOfText();
    const std::int32_t count = file.ReadNumber();
    const int countLine = file.LineNumber();
    bank.QuestionCount = static_cast<std::uint8_t>(count);
    bank.TimeLeft = file.ReadNumber();
    const int headerRestLine = file.LineNumber();
    const std::string headerRest = file.ReadText();
    file.SkipLine();
    CheckIo();
    reader.RejectLineFeed(headerRest, headerRestLine);
    if (empty) {
        throw BankFormatError("Файл вопросов " + Quoted(fileName) + " пуст.");
    }
    if (count < 1 || count > MaxQuestions) {
        throw BankFormatError(Where(fileName, countLine) + "число вопросов " +
                              std::to_string(count) + ", а должно быть от 1 до " +
                              std::to_string(MaxQuestions) + ".");
    }

    bank.AnswerKey = reader.ReadLine();

    for (int i = 1; i <= count; ++i) {
        if (!reader.LineFollows()) {
            throw BankFormatError("Файл вопросов " + Quoted(fileName) +
                                  ": в первой строке указано число вопросов " +
                                  std::to_string(count) + ", а в файле найдено только " +
                                  std::to_string(i - 1) + ".");
        }
        const int questionLine = file.LineNumber();
        bank.QuestionTexts[i] = reader.ReadLine();

        reader.ExpectAnswerLine(i, questionLine);
        int answerLine = file.LineNumber();
        std::string answer = reader.ReadLine();
        int k = 0;
        do {
            ++k;
            if (k > MaxAnswers) {
                throw BankFormatError(Where(fileName, answerLine) + "у вопроса " +
                                      std::to_string(i) + " (строка " +
                                      std::to_string(questionLine) +
                                      ") больше пяти ответов; возможно, после его ответов "
                                      "пропущена строка «#».");
            }
            bank.AnswerTexts[i][k] = answer;
            reader.ExpectAnswerLine(i, questionLine);
            answerLine = file.LineNumber();
            answer = reader.ReadLine();
        } while (answer != AnswersEnd);
        bank.AnswerCounts[i] = static_cast<std::uint8_t>(k);
    }

    file.CloseFile();
    CheckIo();

    Shuffle(bank, generator);
}

bool IsCorrectAnswer(const QuestionBank &bank, int question, int answer)
{
    if (question < 1 || static_cast<std::size_t>(question) > bank.AnswerKey.size() || answer < 1 ||
        answer > MaxAnswers) {
        return false;
    }
    // The raw byte, 0..255: keys of late questions hold bytes above 127.
    const int value = static_cast<unsigned char>(bank.AnswerKey[question - 1]);
    return value - 100 - question == answer;
}

std::string WriteBankBytes(int timeLimitSeconds, const std::vector<BankQuestion> &questions)
{
    std::string key;
    std::string body;
    for (std::size_t n = 0; n < questions.size(); ++n) {
        const int number = static_cast<int>(n) + 1;
        const BankQuestion &question = questions[n];
        if (question.correct < 1 || question.correct > MaxAnswers ||
            question.correct > question.answers.size()) {
            throw std::invalid_argument("question " + std::to_string(number) +
                                        " has no correct answer among its answers");
        }
        const int keyByte = 100 + number + question.correct;
        if (keyByte > 255) {
            throw std::invalid_argument("question " + std::to_string(number) +
                                        " is beyond what a key byte can hold");
        }
        key.push_back(static_cast<char>(keyByte));

        body += BankLine(question.text);
        for (qsizetype k = 0; k < question.answers.size(); ++k) {
            if (k > 0 && question.answers[k] == QString::fromStdString(AnswersEnd)) {
                throw std::invalid_argument("answer " + std::to_string(k + 1) + " of question " +
                                            std::to_string(number) +
                                            " would end the answers early");
            }
            body += BankLine(question.answers[k]);
        }
        body += AnswersEnd + "\r\n";
    }
    return std::to_string(questions.size()) + " " + std::to_string(timeLimitSeconds) + "\r\n" +
           key + "\r\n" + body;
}
