#include "platform/linux/detection/LtProcAnalyser.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcLexicon, "verdolin.lexicon", QtInfoMsg)

namespace {

using Clock = std::chrono::steady_clock;

// Owed answers beyond this mean the process falls ever further behind.
constexpr qsizetype kMaxOwed = 256;
// No answer to a word is this long; a process sending more without a NUL is broken.
constexpr qsizetype kMaxInbox = 4 * 1024 * 1024;

// Characters lt-proc's stream format reserves. Unescaped, `[` opens a superblank that
// swallows the NUL, and `^` or `@` end the process.
bool isReserved(QChar c) {
    return QStringView(u"\\[]^$/<>@{}").contains(c);
}

struct CodePoints {
    QStringView text;
    qsizetype i = 0;
    bool atEnd() const { return i >= text.size(); }
    char32_t next() {
        const QChar c = text[i++];
        if (c.isHighSurrogate() && i < text.size() && text[i].isLowSurrogate())
            return QChar::surrogateToUcs4(c, text[i++]);
        return c.unicode();
    }
};

} // namespace

LtProcAnalyser::LtProcAnalyser(QString analyserFile)
    : LtProcAnalyser(std::move(analyserFile), Options{}) {}

LtProcAnalyser::LtProcAnalyser(QString analyserFile, Options options)
    : m_file(std::move(analyserFile))
    , m_options(std::move(options)) {}

LtProcAnalyser::~LtProcAnalyser() {
    stop();
}

QByteArray LtProcAnalyser::request(const QString& token) {
    QString escaped;
    escaped.reserve(token.size() + 4);
    for (const QChar c : token) {
        if (c == u'\0')
            continue; // would end the request early and put every later answer out of step
        if (isReserved(c))
            escaped += u'\\';
        escaped += c;
    }
    QByteArray bytes = escaped.toUtf8();
    bytes += ' ';
    bytes += '\0';
    return bytes;
}

bool LtProcAnalyser::hasLetter(QStringView text) {
    for (CodePoints points{text}; !points.atEnd();) {
        if (QChar::isLetter(points.next()))
            return true;
    }
    return false;
}

bool LtProcAnalyser::answerKnows(QStringView answer) {
    const qsizetype n = answer.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = answer[i];
        if (c == u'\\' && i + 1 < n) {
            // An escaped character outside any unit was left unanalysed.
            if (hasLetter(answer.sliced(i + 1, 1)))
                return false;
            i += 2;
            continue;
        }
        if (c != u'^') {
            // Plain text outside units is what the analyser could not read as a word. Past
            // the first character, which may be a backslash that ends the answer.
            qsizetype j = i + 1;
            while (j < n && answer[j] != u'^' && answer[j] != u'\\')
                ++j;
            if (hasLetter(answer.sliced(i, j - i)))
                return false;
            i = j;
            continue;
        }
        // ^surface/analysis/...$
        QString surface;
        bool analysed = false;
        bool unknown = false;
        bool inSurface = true;
        bool firstAnalysis = false;
        qsizetype j = i + 1;
        for (; j < n && answer[j] != u'$'; ++j) {
            QChar d = answer[j];
            const bool escaped = d == u'\\' && j + 1 < n;
            if (escaped)
                d = answer[++j];
            if (inSurface) {
                if (d == u'/' && !escaped) {
                    inSurface = false;
                    firstAnalysis = true;
                } else {
                    surface += d;
                }
                continue;
            }
            if (firstAnalysis) {
                analysed = true;
                unknown = d == u'*' && !escaped;
                firstAnalysis = false;
            }
        }
        if (hasLetter(surface) && (!analysed || unknown))
            return false;
        i = j + 1;
    }
    return true;
}

std::optional<bool> LtProcAnalyser::knows(const QString& token, QDeadlineTimer deadline) {
    const std::optional<QList<bool>> all = knowsAll({token}, deadline);
    if (!all)
        return std::nullopt;
    return all->constFirst();
}

std::optional<QList<bool>> LtProcAnalyser::knowsAll(const QStringList& tokens,
                                                    QDeadlineTimer deadline) {
    QList<bool> result(tokens.size(), true);
    QList<qsizetype> asked;
    QByteArray requests;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const QString& token = tokens[i];
        if (token.size() > kMaxTokenLength) {
            result[i] = false;
        } else if (hasLetter(token)) {
            asked.append(i);
            requests += request(token);
        }
    }

    std::lock_guard lock(m_mutex);
    const Clock::time_point now = Clock::now();
    m_lastUsed = now.time_since_epoch().count();
    if (asked.isEmpty())
        return result;

    if (m_process.isRunning()) {
        const bool alive = readAvailableLocked();
        const bool hung = (m_owed > 0 || m_process.hasUnsent())
                          && (now - m_owedSince >= m_options.stallTimeout || m_owed > kMaxOwed);
        if (!alive || hung) {
            qCDebug(lcLexicon) << m_file << (alive ? "hangs" : "ended") << "; restarting";
            stopLocked();
        }
    }
    if (!m_process.isRunning() && !startLocked())
        return std::nullopt;

    QList<QByteArray> answers;
    // A process found dead is replaced at once, while the deadline and the start budget allow.
    for (bool retried = false;; retried = true) {
        if (m_owed == 0 && !m_process.hasUnsent())
            m_owedSince = Clock::now();
        m_process.send(requests);
        answers.clear();
        const Exchange outcome = exchangeLocked(asked.size(), deadline, &answers);
        if (outcome == Exchange::Answered)
            break;
        if (outcome == Exchange::TimedOut) {
            // The missing answers still come; the next caller must not take them for its own.
            m_owed += asked.size() - answers.size();
            return std::nullopt;
        }
        qCDebug(lcLexicon) << m_file << "ended while answering";
        stopLocked();
        if (retried || deadline.hasExpired() || !startLocked())
            return std::nullopt;
    }
    for (qsizetype k = 0; k < asked.size(); ++k)
        result[asked[k]] = answerKnows(QString::fromUtf8(answers[k]));
    return result;
}

bool LtProcAnalyser::start() {
    std::lock_guard lock(m_mutex);
    m_lastUsed = Clock::now().time_since_epoch().count();
    return m_process.isRunning() || startLocked();
}

void LtProcAnalyser::stop() {
    std::lock_guard lock(m_mutex);
    stopLocked();
}

bool LtProcAnalyser::stopIfUnusedSince(Clock::time_point cutoff) {
    if (lastUsed() >= cutoff)
        return false;
    std::lock_guard lock(m_mutex);
    if (!m_process.isRunning() || lastUsed() >= cutoff)
        return false;
    qCDebug(lcLexicon) << "closing idle analyser" << m_file;
    stopLocked();
    return true;
}

bool LtProcAnalyser::isRunning() const {
    std::lock_guard lock(m_mutex);
    return m_process.isRunning();
}

std::optional<pid_t> LtProcAnalyser::pid() const {
    std::lock_guard lock(m_mutex);
    if (!m_process.isRunning())
        return std::nullopt;
    return m_process.pids().constFirst();
}

int LtProcAnalyser::starts() const {
    std::lock_guard lock(m_mutex);
    return m_starts;
}

Clock::time_point LtProcAnalyser::lastUsed() const {
    return Clock::time_point(Clock::duration(m_lastUsed.load()));
}

bool LtProcAnalyser::mayStartLocked() {
    const Clock::time_point now = Clock::now();
    while (!m_startTimes.empty() && now - m_startTimes.front() >= m_options.startPeriod)
        m_startTimes.pop_front();
    return std::ssize(m_startTimes) < m_options.maxStarts;
}

bool LtProcAnalyser::startLocked() {
    if (!mayStartLocked())
        return false;
    m_startTimes.push_back(Clock::now());
    ++m_starts;
    if (const auto failure = m_process.start({{m_options.program, QStringLiteral("-z"), m_file}})) {
        qCWarning(lcLexicon) << "cannot start" << m_options.program << "for" << m_file << ":"
                             << failure->error;
        stopLocked();
        return false;
    }
    qCDebug(lcLexicon) << "started" << m_options.program << m_file << "as"
                       << m_process.pids().constFirst();
    return true;
}

void LtProcAnalyser::stopLocked() {
    m_process.stop();
    m_owed = 0;
}

bool LtProcAnalyser::readAvailableLocked() {
    QByteArray& inbox = m_process.inbox();
    const NulFramedProcess::Io io = m_process.pump(std::chrono::nanoseconds(0), kMaxInbox);
    const bool alive =
        io == NulFramedProcess::Io::Full
            ? inbox.contains('\0')
            : io == NulFramedProcess::Io::Idle || io == NulFramedProcess::Io::Progress;
    if (!alive)
        return false;
    // Answers owed to callers that gave up are dropped as they arrive.
    while (m_owed > 0) {
        const qsizetype end = inbox.indexOf('\0');
        if (end < 0)
            break;
        inbox.remove(0, end + 1);
        --m_owed;
    }
    return true;
}

void LtProcAnalyser::takeAnswersLocked(QList<QByteArray>* answers, qsizetype wanted) {
    QByteArray& inbox = m_process.inbox();
    qsizetype from = 0;
    while (answers->size() < wanted) {
        const qsizetype end = inbox.indexOf('\0', from);
        if (end < 0)
            break;
        answers->append(inbox.sliced(from, end - from));
        from = end + 1;
    }
    inbox.remove(0, from);
}

LtProcAnalyser::Exchange LtProcAnalyser::exchangeLocked(qsizetype wanted, QDeadlineTimer deadline,
                                                        QList<QByteArray>* answers) {
    for (;;) {
        if (!readAvailableLocked())
            return Exchange::Dead;
        if (m_owed == 0)
            takeAnswersLocked(answers, wanted);
        if (answers->size() == wanted)
            return Exchange::Answered;

        const qint64 remaining = deadline.remainingTimeNSecs();
        if (remaining == 0)
            return Exchange::TimedOut;
        // Negative: no deadline. What the wait brings is looked at on the next round.
        const NulFramedProcess::Io io =
            m_process.pump(std::chrono::nanoseconds(remaining), kMaxInbox);
        if (io == NulFramedProcess::Io::InputClosed || io == NulFramedProcess::Io::Failed)
            return Exchange::Dead;
    }
}
