#include "cli/clitext.h"

#include <QtCore/QDir>
#include <QtCore/QTranslator>
#include <QtCore/QtGlobal>

namespace cli {

namespace {

// Where CMake puts the compiled translations among the program's resources.
const QString kTranslationFolder = QStringLiteral(":/i18n");
const QString kTranslationPrefix = QStringLiteral("kordavo-cli_");
const QString kTranslationSuffix = QStringLiteral(".qm");

QString translationFile(const QString &code)
{
    return kTranslationFolder + QLatin1Char('/') + kTranslationPrefix + code + kTranslationSuffix;
}

} // namespace

QStringList languages()
{
    QStringList codes = {QStringLiteral("hu")};
    const QStringList files =
        QDir(kTranslationFolder).entryList({kTranslationPrefix + QLatin1Char('*') + kTranslationSuffix}, QDir::Files,
                                           QDir::Name);
    for (const QString &file : files)
        codes << file.mid(kTranslationPrefix.size(), file.size() - kTranslationPrefix.size() - kTranslationSuffix.size());
    return codes;
}

std::optional<QString> chosenLanguage(const std::optional<QString> &langOption)
{
    const QStringList spoken = languages();
    if (langOption)
        return spoken.contains(*langOption) ? langOption : std::nullopt;
    QString locale = qEnvironmentVariable("LC_ALL");
    if (locale.isEmpty())
        locale = qEnvironmentVariable("LANG");
    // "en_GB.UTF-8": the language is what comes before the territory.
    const QString code = locale.section(QLatin1Char('_'), 0, 0).section(QLatin1Char('.'), 0, 0).toLower();
    return spoken.contains(code) ? code : QStringLiteral("hu");
}

Language::Language(const QString &code)
{
    if (code == QLatin1String("hu") || !QCoreApplication::instance())
        return;
    translator = std::make_unique<QTranslator>();
    if (!translator->load(translationFile(code)) || !QCoreApplication::installTranslator(translator.get()))
        translator.reset();
}

Language::~Language()
{
    if (translator)
        QCoreApplication::removeTranslator(translator.get());
}

QString helpText()
{
    return Text::tr("Használat: kordavo-cli PARANCS [KAPCSOLÓK]\n"
                    "\n"
                    "Kordavo GSM modulok programozása, kiolvasása és ellenőrzése parancssorból.\n"
                    "\n"
                    "Parancsok:\n"
                    "  ports [--probe]                 a most megnyitható portok; --probe: az\n"
                    "                                  azonosítást kérve megjelöli a válaszoló modulokat\n"
                    "  info --port P                   azonosítás, memóriaméret és változat\n"
                    "  status --port P [--json]        bemenetek, kimenetek, térerő és szolgáltató\n"
                    "  download FÁJL.krv --port P [--port Q ...]\n"
                    "                                  a konfiguráció betöltése, portonként egy sor\n"
                    "  readout FÁJL.krv --port P [--force]\n"
                    "                                  kiolvasás fájlba; meglévő fájlt csak --force\n"
                    "                                  mellett ír felül\n"
                    "  verify FÁJL.krv --port P [--port Q ...]\n"
                    "                                  ellenőrzés; minden eltérő mezőt megnevez\n"
                    "  relay MASZK --port P            a kimenetek kapcsolása: \"1010\" az 1., 2., 3.,\n"
                    "                                  4. kimenet sorrendjében (itt az 1. és a 3. be),\n"
                    "                                  vagy a modul bitmaszkja egy hexadecimális\n"
                    "                                  számjeggyel: 1. kimenet = 1, 2. = 2, 3. = 4,\n"
                    "                                  4. = 8 (\"5\" = az 1. és a 3. kimenet)\n"
                    "  check FÁJL.krv                  a fájl mezőinek ellenőrzése modul nélkül\n"
                    "  export-csv FÁJL.krv [KI.csv] [--separator ,] [--force]\n"
                    "                                  a telefonszámlista CSV-be (UTF-8, BOM-mal, \";\"\n"
                    "                                  elválasztóval); meglévő fájlt csak --force\n"
                    "                                  mellett ír felül\n"
                    "  import-csv BE.csv FÁJL.krv      a telefonszámlista CSV-ből (\";\" vagy \",\",\n"
                    "                                  UTF-8 vagy Windows-1250, a név- és\n"
                    "                                  megjegyzésoszlop kimarad); egy hibás sor vagy\n"
                    "                                  egy sor nélküli lista esetén semmit sem ír\n"
                    "  register list [--json]          a nyilvántartás telephelyei: memória, számok,\n"
                    "                                  utolsó változás, utolsó ellenőrzés\n"
                    "  register history HELY [--json]  a telephely változatai\n"
                    "  register diff HELY V1 [V2]      két változat eltérései (V2 nélkül: a legutóbbi)\n"
                    "  register find SZÁM [--json]     hol áll a szám a telephelyek jelenlegi\n"
                    "                                  változatában (06…, 0036…, +36…, szóközökkel)\n"
                    "  register shared [--json]        a több telephelyen is szereplő számok\n"
                    "  register export HELY [V] FÁJL.krv [--force]\n"
                    "                                  egy változat fájlba (V nélkül: a legutóbbi)\n"
                    "  register rename HELY NÉV, register address HELY CÍM,\n"
                    "  register note HELY SZÖVEG       a telephely neve, címe, megjegyzése\n"
                    "  register merge HELY CÉL         a HELY telephely beolvad a CÉL telephelybe\n"
                    "                                  (HELY: a telephely száma vagy neve)\n"
                    "  sheet HELY [V] KI.pdf, sheet FÁJL.krv KI.pdf [--force] [--installer NÉV]\n"
                    "                                  átadási lap (PDF): a telephely egy változata\n"
                    "                                  (V nélkül: a legutóbbi) vagy egy fájl, minden\n"
                    "                                  számmal és a jogaival, a PIN-kód utolsó\n"
                    "                                  számjegyével; meglévő fájlt csak --force\n"
                    "                                  mellett ír felül\n"
                    "\n"
                    "Kapcsolók (az érték „--port P” és „--port=P” alakban is megadható):\n"
                    "  --port P        a port (például /dev/ttyUSB0 vagy COM3)\n"
                    "  --baud B        az átviteli sebesség (alapérték: 1200)\n"
                    "  --stay          a modul programozási üzemmódban marad (nincs \"~X\")\n"
                    "  --fast          a válasz a lezárójánál vagy ismert hosszánál véget ér, nem\n"
                    "                  várja meg, hogy a vonal elcsendesedjen; csak olyan modullal\n"
                    "                  használható, amely a válaszait így zárja le (\"R\" és \"O\"\n"
                    "                  válasz CR-rel, a rekordok a 28 + N. rekord után egy záró\n"
                    "                  karakterrel)\n"
                    "  --strict        download, verify: elutasítja a fájlt, ha a modul nem kapja meg\n"
                    "                  egészében (a memórián túli számok, egyszerűsített modell)\n"
                    "  --log FÁJL      download, readout, verify: soronként idő, port, azonosítás,\n"
                    "                  memória, fájl, a fájl SHA-256-ja és az eredmény\n"
                    "  --separator ,|; export-csv: a mezők elválasztója (alapérték: \";\")\n"
                    "  --json          status, register list, history, find, shared: JSON kimenet\n"
                    "  --register URL  a nyilvántartás: postgresql://felhasználó@gép:port/adatbázis\n"
                    "                  vagy egy SQLite-fájl (alapérték: a KORDAVO_REGISTER\n"
                    "                  környezeti változó, különben a felhasználó adatmappája)\n"
                    "  --no-register   download, readout, verify: nem rögzít a nyilvántartásba\n"
                    "  --installer NÉV sheet: a telepítő neve a lapon; a nyilvántartás megjegyzi\n"
                    "                  ehhez a felhasználóhoz, a további lapok is viselik\n"
                    "  --lang NYELV    a szövegek nyelve: %1 (alapérték: a LANG nyelve, ha ezek\n"
                    "                  egyike, különben magyar)\n"
                    "  --version       a program változata\n"
                    "  -h, --help      ez a súgó\n"
                    "\n"
                    "Kilépési kódok:\n"
                    "  0  siker\n"
                    "  1  a modul elutasította a műveletet, eltérés van, vagy a fájl mezői hibásak;\n"
                    "     register diff: a két változat eltér; register find: nincs találat\n"
                    "  2  hibás használat (a --log fájl sem nyitható meg)\n"
                    "  3  port- vagy vonalhiba (nem nyílik meg, nem válaszol, nem Kordavo modul)\n"
                    "  4  hibás vagy hiányzó fájl, vagy egy fájl, a napló vagy a kimenet nem írható\n"
                    "  5  register, sheet HELY: a nyilvántartás ki van kapcsolva, nem érhető el,\n"
                    "     nem írható vagy sérült\n"
                    "  128 + N  megszakítva az N. jelzéssel (Ctrl-C: 130, SIGTERM: 143, SIGHUP: 129)\n")
        .arg(languages().join(QLatin1String(", ")));
}

} // namespace cli
