#include "cli/clitext.h"

#include <QtCore/QtGlobal>

namespace cli {

bool wantsEnglish(const QString &langOption)
{
    if (!langOption.isEmpty())
        return langOption.startsWith(QLatin1String("en"), Qt::CaseInsensitive);
    QString locale = qEnvironmentVariable("LC_ALL");
    if (locale.isEmpty())
        locale = qEnvironmentVariable("LANG");
    return locale.startsWith(QLatin1String("en"), Qt::CaseInsensitive);
}

QString helpText(const Text &t)
{
    return t(u"Használat: kordavo-cli PARANCS [KAPCSOLÓK]\n"
             u"\n"
             u"Kordavo GSM modulok programozása, kiolvasása és ellenőrzése parancssorból.\n"
             u"\n"
             u"Parancsok:\n"
             u"  ports [--probe]                 a most megnyitható portok; --probe: az\n"
             u"                                  azonosítást kérve megjelöli a válaszoló modulokat\n"
             u"  info --port P                   azonosítás, memóriaméret és változat\n"
             u"  status --port P [--json]        bemenetek, kimenetek, térerő és szolgáltató\n"
             u"  download FÁJL.krv --port P [--port Q ...]\n"
             u"                                  a konfiguráció betöltése, portonként egy sor\n"
             u"  readout FÁJL.krv --port P [--force]\n"
             u"                                  kiolvasás fájlba; meglévő fájlt csak --force\n"
             u"                                  mellett ír felül\n"
             u"  verify FÁJL.krv --port P [--port Q ...]\n"
             u"                                  ellenőrzés; minden eltérő mezőt megnevez\n"
             u"  relay MASZK --port P            a kimenetek kapcsolása: \"1010\" az 1–4.\n"
             u"                                  kimenet, vagy egy hexadecimális számjegy\n"
             u"  check FÁJL.krv                  a fájl mezőinek ellenőrzése modul nélkül\n"
             u"  export-csv FÁJL.krv [KI.csv]    a telefonszámlista CSV-be (UTF-8, BOM-mal)\n"
             u"  import-csv BE.csv FÁJL.krv      a telefonszámlista CSV-ből; egy hibás sor\n"
             u"                                  esetén semmit sem ír\n"
             u"\n"
             u"Kapcsolók:\n"
             u"  --port P        a port (például /dev/ttyUSB0 vagy COM3)\n"
             u"  --baud B        az átviteli sebesség (alapérték: 1200)\n"
             u"  --stay          a modul programozási üzemmódban marad (nincs \"~X\")\n"
             u"  --fast          a válasz a lezárójánál vagy ismert hosszánál véget ér, nem\n"
             u"                  várja meg, hogy a vonal elcsendesedjen; csak olyan modullal\n"
             u"                  használható, amely a válaszait így zárja le (\"R\" és \"O\"\n"
             u"                  válasz CR-rel, a rekordok a 28 + N. rekord után egy záró\n"
             u"                  karakterrel)\n"
             u"  --log FÁJL      download, readout, verify: soronként idő, port, azonosítás,\n"
             u"                  memória, fájl, a fájl SHA-256-ja és az eredmény\n"
             u"  --json          status: JSON kimenet\n"
             u"  --lang en|hu    a szövegek nyelve (alapérték: magyar, angol LANG esetén angol)\n"
             u"  --help          ez a súgó\n"
             u"\n"
             u"Kilépési kódok:\n"
             u"  0  siker\n"
             u"  1  a modul elutasította a műveletet, eltérés van, vagy a fájl mezői hibásak\n"
             u"  2  hibás használat (a --log fájl sem nyitható meg)\n"
             u"  3  port- vagy vonalhiba (nem nyílik meg, nem válaszol, nem Kordavo modul)\n"
             u"  4  hibás vagy hiányzó fájl, vagy egy fájl, a napló vagy a kimenet nem írható\n",
             "Usage: kordavo-cli COMMAND [OPTIONS]\n"
             "\n"
             "Programs, reads and verifies Kordavo GSM modules from the command line.\n"
             "\n"
             "Commands:\n"
             "  ports [--probe]                 the ports that can be opened now; --probe:\n"
             "                                  asks each for its identification and marks modules\n"
             "  info --port P                   identification, memory size and variant\n"
             "  status --port P [--json]        inputs, outputs, signal strength and service\n"
             "  download FILE.krv --port P [--port Q ...]\n"
             "                                  stores the configuration, one line per port\n"
             "  readout FILE.krv --port P [--force]\n"
             "                                  reads the module into a file; an existing file is\n"
             "                                  only overwritten with --force\n"
             "  verify FILE.krv --port P [--port Q ...]\n"
             "                                  compares; names every field that differs\n"
             "  relay MASK --port P             switches the outputs: \"1010\" for outputs 1-4,\n"
             "                                  or one hexadecimal digit\n"
             "  check FILE.krv                  checks the file's fields without a module\n"
             "  export-csv FILE.krv [OUT.csv]   the telephone list as CSV (UTF-8 with BOM)\n"
             "  import-csv IN.csv FILE.krv      the telephone list from CSV; one bad row and\n"
             "                                  nothing is written\n"
             "\n"
             "Options:\n"
             "  --port P        the port (for example /dev/ttyUSB0 or COM3)\n"
             "  --baud B        the baud rate (default 1200)\n"
             "  --stay          leaves the module in programming mode (no \"~X\")\n"
             "  --fast          ends each answer at its terminator or known length instead of\n"
             "                  waiting for the line to fall silent; only for modules that end\n"
             "                  their answers that way (\"R\" and \"O\" answers with CR, the\n"
             "                  records with one closing character after record 28 + N)\n"
             "  --log FILE      download, readout, verify: one line each with time, port,\n"
             "                  identification, memory, file, the file's SHA-256 and result\n"
             "  --json          status: JSON output\n"
             "  --lang en|hu    language of the texts (default Hungarian, English for an English LANG)\n"
             "  --help          this help\n"
             "\n"
             "Exit codes:\n"
             "  0  success\n"
             "  1  the module said no, or differs, or the file's fields break the rules\n"
             "  2  usage (also: the --log file cannot be opened)\n"
             "  3  port or line failure (does not open, no answer, not a Kordavo module)\n"
             "  4  bad or missing file, or a file, the log or the output cannot be written\n");
}

} // namespace cli
