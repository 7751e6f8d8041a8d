#include "core/acquire/sources/source_description.h"

#include "core/acquire/host_rules.h"
#include "core/base/lottery_table.h"
#include "core/base/program_paths.h"
#include "core/base/user_error.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

// builtin_sources.cpp, made from builtin_sources.json when building.
extern const char* const kBuiltinSourcesText;

namespace {

// A description file is a few kilobytes; anything much larger is not one.
constexpr qint64 kMaxDescriptionBytes = 1024 * 1024;
constexpr int kMaxPageSize = 10000;
constexpr int kMaxPauseMs = 60000;

// Reads one description, naming it and the field in every refusal.
class DescriptionReader {
public:
    DescriptionReader(const QJsonObject& object, const QString& origin, int index) : m_object(object), m_origin(origin)
    {
        m_label = object.value(u"name").toString(object.value(u"id").toString(QStringLiteral("第%1个").arg(index)));
    }

    [[noreturn]] void refuse(const QString& field, const QString& reason) const
    {
        throw UserError(
            QStringLiteral("开奖来源文件 %1 中的来源“%2”的 %3 有误：%4。").arg(m_origin, m_label, field, reason));
    }

    QString text(const QString& field, bool required, const QString& fallback = {}) const
    {
        const QJsonValue value = m_object.value(field);
        if (value.isUndefined() || value.isNull()) {
            if (required)
                refuse(field, QStringLiteral("缺少此项"));
            return fallback;
        }
        if (!value.isString())
            refuse(field, QStringLiteral("应为文字"));
        return value.toString().trimmed();
    }

    // One path or a list of paths tried in turn.
    QStringList paths(const QString& field, bool required) const
    {
        const QJsonValue value = m_object.value(field);
        if (value.isArray()) {
            QStringList all;
            for (const QJsonValue& item : value.toArray()) {
                if (!item.isString() || item.toString().trimmed().isEmpty())
                    refuse(field, QStringLiteral("列表中的每一项应为路径文字"));
                all << item.toString().trimmed();
            }
            if (all.isEmpty() && required)
                refuse(field, QStringLiteral("列表是空的"));
            return all;
        }
        const QString one = text(field, required);
        return one.isEmpty() ? QStringList() : QStringList{one};
    }

    // `in` is a member object holding the field, as "columns" holds "period".
    int number(const QString& field, int fallback, int lowest, int highest, const QString& in = {}) const
    {
        const QJsonValue value = in.isEmpty() ? m_object.value(field) : m_object.value(in).toObject().value(field);
        if (value.isUndefined() || value.isNull())
            return fallback;
        const double number = value.toDouble(-1);
        if (!value.isDouble() || number != double(int(number)) || number < lowest || number > highest)
            refuse(in.isEmpty() ? field : in + u'.' + field,
                   QStringLiteral("应为%1到%2之间的整数").arg(lowest).arg(highest));
        return int(number);
    }

    bool flag(const QString& field) const
    {
        const QJsonValue value = m_object.value(field);
        if (!value.isUndefined() && !value.isBool())
            refuse(field, QStringLiteral("应为 true 或 false"));
        return value.toBool(false);
    }

    const QJsonObject& object() const { return m_object; }

private:
    const QJsonObject& m_object;
    const QString& m_origin;
    QString m_label;
};

void checkAddress(const DescriptionReader& reader, const QString& field, const QString& address)
{
    // The placeholders stand for digits; the rest is checked as a lottery's own address is.
    QString sample = address;
    for (const char* name : {"{param}", "{page}", "{pageSize}", "{from}", "{to}"})
        sample.replace(QLatin1String(name), QStringLiteral("1"));
    if (const auto problem = drawUrlProblem(sample))
        reader.refuse(field, *problem);
}

SourceDescription descriptionOf(const QJsonObject& object, const QString& origin, int index)
{
    const DescriptionReader reader(object, origin, index);
    SourceDescription source;
    source.origin = origin;
    source.id = reader.text(QStringLiteral("id"), true);
    for (QChar c : source.id) {
        if (c.unicode() >= 0x80 || !(c.isLetterOrNumber() || c == u'-' || c == u'_'))
            reader.refuse(QStringLiteral("id"), QStringLiteral("只能用英文字母、数字、“-”和“_”"));
    }
    source.name = reader.text(QStringLiteral("name"), true);

    const QJsonValue lotteries = object.value(u"lotteries");
    if (!lotteries.isObject() || lotteries.toObject().isEmpty())
        reader.refuse(QStringLiteral("lotteries"),
                      QStringLiteral("应列出所服务的彩票，如 {\"fc3d\": {\"param\": \"3d\"}}"));
    const QJsonObject served = lotteries.toObject();
    for (auto it = served.constBegin(); it != served.constEnd(); ++it) {
        const LotteryInfo* lottery = nullptr;
        for (const LotteryInfo& info : LotteryCatalogue()) {
            if (info.settingsKey == it.key())
                lottery = &info;
        }
        const QString field = QStringLiteral("lotteries.") + it.key();
        if (!lottery)
            reader.refuse(field, QStringLiteral("没有这种彩票（可用 fc3d、pl3、cqssc、jxssc、shssc）"));
        if (!it.value().isObject())
            reader.refuse(field, QStringLiteral("应为 {\"param\": …}"));
        const QJsonObject entry = it.value().toObject();
        const QJsonValue param = entry.value(u"param");
        if (!param.isUndefined() && !param.isString() && !param.isDouble())
            reader.refuse(field + QStringLiteral(".param"), QStringLiteral("应为文字或数字"));
        const QString paramText = param.isDouble() ? QString::number(param.toInt()) : param.toString();
        source.lotteries.push_back({lottery->name, paramText, entry.value(u"default").toBool(false)});
    }

    source.url = reader.text(QStringLiteral("url"), true);
    checkAddress(reader, QStringLiteral("url"), source.url);
    const QJsonValue headers = object.value(u"headers");
    if (!headers.isUndefined() && !headers.isObject())
        reader.refuse(QStringLiteral("headers"), QStringLiteral("应为 {\"名称\": \"值\"}"));
    const QJsonObject headerObject = headers.toObject();
    for (auto it = headerObject.constBegin(); it != headerObject.constEnd(); ++it) {
        const QByteArray name = it.key().toLatin1();
        const QString value = it.value().toString();
        if (!it.value().isString() || name.isEmpty() || name.contains(':') || value.contains(u'\n') ||
            value.contains(u'\r'))
            reader.refuse(QStringLiteral("headers.") + it.key(), QStringLiteral("应为一行文字"));
        source.headers.append({name, value.toUtf8()});
    }
    source.cookiePage = reader.text(QStringLiteral("cookiePage"), false);
    if (!source.cookiePage.isEmpty())
        checkAddress(reader, QStringLiteral("cookiePage"), source.cookiePage);

    source.encoding = reader.text(QStringLiteral("encoding"), false, QStringLiteral("detect")).toLower();
    if (source.encoding != u"utf-8" && source.encoding != u"gbk" && source.encoding != u"detect")
        reader.refuse(QStringLiteral("encoding"), QStringLiteral("应为 utf-8、gbk 或 detect"));
    const QString format = reader.text(QStringLiteral("format"), true);
    if (format == u"json")
        source.format = SourceFormat::Json;
    else if (format == u"jsonp")
        source.format = SourceFormat::Jsonp;
    else if (format == u"lines")
        source.format = SourceFormat::Lines;
    else if (format == u"csv")
        source.format = SourceFormat::Csv;
    else
        reader.refuse(QStringLiteral("format"), QStringLiteral("应为 json、jsonp、lines 或 csv"));

    if (source.format == SourceFormat::Lines) {
        const QString columns = QStringLiteral("columns");
        source.columns.period = reader.number(QStringLiteral("period"), 0, 0, 50, columns);
        source.columns.firstDigit = reader.number(QStringLiteral("digits"), 1, 0, 50, columns);
        if (source.columns.firstDigit == source.columns.period)
            reader.refuse(QStringLiteral("columns"), QStringLiteral("期号与开奖号码不能在同一列"));
    } else if (source.format == SourceFormat::Csv) {
        // Columns by their names in the header line.
        source.period = reader.paths(QStringLiteral("period"), true);
        source.digitColumns = reader.paths(QStringLiteral("digitColumns"), false);
        source.digits = reader.paths(QStringLiteral("digits"), source.digitColumns.isEmpty());
        if (!source.digits.isEmpty() && !source.digitColumns.isEmpty())
            reader.refuse(QStringLiteral("digitColumns"), QStringLiteral("与 digits 只能写其中一项"));
    } else {
        source.list = reader.text(QStringLiteral("list"), false);
        source.period = reader.paths(QStringLiteral("period"), true);
        source.digits = reader.paths(QStringLiteral("digits"), true);
        source.date = reader.text(QStringLiteral("date"), false);
        source.pages = reader.text(QStringLiteral("pages"), false);
        source.total = reader.text(QStringLiteral("total"), false);
    }
    source.periodLength = reader.number(QStringLiteral("periodLength"), 0, 0, 11);
    if (source.periodLength != 0 && source.periodLength != 5 && source.periodLength != 7 && source.periodLength != 11)
        reader.refuse(QStringLiteral("periodLength"), QStringLiteral("应为 5、7 或 11"));
    const QString order = reader.text(QStringLiteral("order"), false, QStringLiteral("newest-first"));
    if (order != u"newest-first" && order != u"oldest-first")
        reader.refuse(QStringLiteral("order"), QStringLiteral("应为 newest-first 或 oldest-first"));
    source.newestFirst = order == u"newest-first";
    source.pageSize = reader.number(QStringLiteral("pageSize"), 0, 0, kMaxPageSize);
    if (source.pageSize > 0 && !source.newestFirst)
        reader.refuse(QStringLiteral("order"), QStringLiteral("分页的列表须为 newest-first"));
    if (source.pageSize > 0 && !source.url.contains(QStringLiteral("{page}")))
        reader.refuse(QStringLiteral("url"), QStringLiteral("分页的列表须在网址中写明 {page}"));
    source.wholeHistory = reader.flag(QStringLiteral("wholeHistory"));
    source.perHost = reader.number(QStringLiteral("perHost"), 1, 1, 2);
    source.pauseMs = reader.number(QStringLiteral("pauseMs"), 0, 0, kMaxPauseMs);
    return source;
}

}  // namespace

const SourceLottery* SourceDescription::serving(const QString& lottery) const
{
    for (const SourceLottery& entry : lotteries) {
        if (entry.lottery == lottery)
            return &entry;
    }
    return nullptr;
}

QString SourceDescription::pageUrl(const QString& lottery, int page, const QString& from, const QString& to) const
{
    const SourceLottery* entry = serving(lottery);
    QString address = url;
    address.replace(QStringLiteral("{param}"), entry ? entry->param : QString());
    address.replace(QStringLiteral("{page}"), QString::number(page));
    address.replace(QStringLiteral("{pageSize}"), QString::number(pageSize));
    address.replace(QStringLiteral("{from}"), from);
    address.replace(QStringLiteral("{to}"), to);
    return address;
}

SourceDescriptions readSourceDescriptions(const QByteArray& bytes, const QString& origin)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        throw UserError(
            QStringLiteral("开奖来源文件 %1 不是有效的JSON（第%2个字节处有误）。").arg(origin).arg(error.offset + 1));
    const QJsonValue list = document.object().value(u"sources");
    if (!list.isArray())
        throw UserError(QStringLiteral("开奖来源文件 %1 中没有来源列表（应为 {\"sources\": […]}）。").arg(origin));
    SourceDescriptions all;
    int index = 0;
    for (const QJsonValue& item : list.toArray()) {
        ++index;
        if (!item.isObject())
            throw UserError(QStringLiteral("开奖来源文件 %1 中的第%2个来源不是 {…}。").arg(origin).arg(index));
        SourceDescription source = descriptionOf(item.toObject(), origin, index);
        if (findSource(all, source.id))
            throw UserError(QStringLiteral("开奖来源文件 %1 中的 id “%2”出现了两次。").arg(origin, source.id));
        all.push_back(std::move(source));
    }
    return all;
}

const SourceDescriptions& builtinSources()
{
    static const SourceDescriptions builtin =
        readSourceDescriptions(QByteArray(kBuiltinSourcesText), QStringLiteral("（程序内置）"));
    return builtin;
}

SourceDescriptions sourceDescriptions(const QString& dataDir)
{
    SourceDescriptions all = builtinSources();
    const QString path = program_paths::addedSourcesFile(dataDir);
    QFile file(path);
    if (!file.exists())
        return all;
    if (!file.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("无法读取开奖来源文件 %1：%2").arg(path, file.errorString()));
    const QByteArray bytes = file.read(kMaxDescriptionBytes + 1);
    if (bytes.size() > kMaxDescriptionBytes)
        throw UserError(QStringLiteral("开奖来源文件 %1 过大（超过1 MB）。").arg(path));
    for (SourceDescription& added : readSourceDescriptions(bytes, path)) {
        const auto same =
            std::find_if(all.begin(), all.end(), [&](const SourceDescription& s) { return s.id == added.id; });
        if (same != all.end())
            *same = std::move(added);
        else
            all.push_back(std::move(added));
    }
    return all;
}

const SourceDescription* findSource(const SourceDescriptions& all, const QString& id)
{
    for (const SourceDescription& source : all) {
        if (source.id == id)
            return &source;
    }
    return nullptr;
}

const SourceDescription* defaultSource(const SourceDescriptions& all, const QString& lottery)
{
    for (const SourceDescription& source : all) {
        const SourceLottery* entry = source.serving(lottery);
        if (entry && entry->isDefault)
            return &source;
    }
    return nullptr;
}

const SourceDescription* wholeHistorySource(const SourceDescriptions& all, const QString& lottery,
                                            const QString& besides)
{
    for (const SourceDescription& source : all) {
        if (source.wholeHistory && source.id != besides && source.serving(lottery))
            return &source;
    }
    return nullptr;
}
