#include "tests/CrashStore.h"

void CrashStore::Build(int generation, TXmlDocument &document)
{
    const QByteArray stamp = QByteArray::number(generation);
    QByteArray text = QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Notes>\r\n");
    text.reserve(EntryCount * 320);
    for (int i = 0; i < EntryCount; ++i) {
        const QByteArray number = QByteArray::number(i);
        text += "   <Note>\r\n      <Title>Entry " + number + " of generation " + stamp
                + "</Title>\r\n      <Text>Body of entry " + number + "^Mwritten in generation " + stamp
                + " &amp;lt;kept&amp;gt;</Text>\r\n      <DateTime>" + QByteArray::number(46000 + i % 365)
                + ".5</DateTime>\r\n      <LastModified>4636" + stamp + ".25</LastModified>\r\n";
        if (i % 3 == 0)
            text += "      <NoteType>T</NoteType>\r\n      <Deadline>46400.75</Deadline>\r\n"
                    "      <Complete>" + stamp + "</Complete>\r\n      <Reminder>7</Reminder>\r\n";
        else
            text += "      <NoteType>N</NoteType>\r\n";
        text += "      <FileName></FileName>\r\n   </Note>\r\n";
    }
    text += "</Notes>\r\n";
    document.LoadFromBuffer(std::move(text));
}
