// Pictures saved and loaded through the File menu and at start-up, and read
// by the toolkit's own GIF reader.

#include <QDialog>
#include <QTimer>
#include <QApplication>
#include <QSpinBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QProgressBar>
#include <QTest>

#include <filesystem>
#include <random>

#include <unistd.h>

#include "file_stream.hpp"
#include "gif_writer.hpp"
#include "picture_canvas.hpp"
#include "picture_file_wiring.hpp"
#include "png_codec.hpp"
#include "status_panel.hpp"
#include "test_support.hpp"

namespace velmora {

using testing::FixedSettings;
using testing::ScriptedPrompter;
using testing::StartedProgram;

class GifFilesTest : public QObject {
    Q_OBJECT
private:
    std::string dir_;
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    static void Choose(StartedProgram& p, MenuId item, const std::string& file) {
        p.prompter.files.push_back(file);
        p.window().triggerItem(item);
    }
    // A picture of `width` x height with indices 0..255 and the colours of
    // the current palette, as the toolkit sees it.
    static void CompareWithToolkit(const std::string& file, const std::vector<uint8_t>& indices, int width,
                                   const gif::ColourTable& colours) {
        const QImage image(QString::fromStdString(file));
        QVERIFY(!image.isNull());
        QCOMPARE(image.width(), width);
        QCOMPARE(image.height(), int(indices.size()) / width);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < width; ++x) {
                const size_t i = indices[size_t(y) * size_t(width) + size_t(x)];
                const QRgb expected = qRgb(colours[3 * i], colours[3 * i + 1], colours[3 * i + 2]);
                if (image.pixel(x, y) != expected) QFAIL(qPrintable(QString("pixel %1,%2").arg(x).arg(y)));
            }
    }

private slots:
    void init() {
        dir_ = (std::filesystem::temp_directory_path() / ("velmora-gif-" + std::to_string(QTest::currentTestFunction()[0]) +
                                                         std::to_string(::getpid())))
                   .string();
        std::filesystem::create_directories(dir_);
    }
    void cleanup() { std::filesystem::remove_all(dir_); }

    void savedPictureLoadsBackThroughTheMenus() {
        StartedProgram saved;
        saved.program.actions().Mandelbrot();
        saved.program.driver().Runclick();
        Choose(saved, MenuId::SaveAsGif, path("pic.gif"));
        QVERIFY(saved.prompter.shown.empty());
        const FileDialogRequest& save = saved.prompter.fileRequests.at(0);
        QCOMPARE(save.caption, std::string("Save Picture File"));
        QCOMPARE(save.fileName, std::string("*.gif"));
        QCOMPARE(save.directory, QDir::homePath().toStdString());
        QCOMPARE(saved.state().statusText, std::string("pic.gif"));

        // The toolkit's reader sees the same picture in the palette's colours.
        const Palette& palette = saved.state().palette.palette;
        gif::ColourTable colours{};
        for (int i = 0; i < 256; ++i) {
            colours[size_t(3 * i)] = palette.entries[size_t(i)].red;
            colours[size_t(3 * i + 1)] = palette.entries[size_t(i)].green;
            colours[size_t(3 * i + 2)] = palette.entries[size_t(i)].blue;
        }
        CompareWithToolkit(path("pic.gif"), saved.state().buffer.bytes, 200, colours);

        StartedProgram loaded;
        Choose(loaded, MenuId::LoadFromGif, path("pic.gif"));
        QVERIFY(loaded.prompter.shown.empty());
        QCOMPARE(loaded.prompter.fileRequests.at(0).caption, std::string("LOAD PICTURE FILE (GIF)"));
        const ProgramState& s = loaded.state();
        QCOMPARE(s.statusText, std::string("pic.gif"));
        QCOMPARE(loaded.program.CurrentFileName(), path("pic.gif"));
        QVERIFY(s.buffer.bytes == saved.state().buffer.bytes);
        QVERIFY(s.PictureBitmap.pixels() == saved.state().buffer.bytes);
        QVERIFY(loaded.state().menu.isChecked(MenuId::Mandelbrot));
        QVERIFY(!loaded.window().canvas()->progressBar1()->isVisible());
        QCOMPARE(loaded.window().canvas()->colourTable(), saved.window().canvas()->colourTable());
    }

    // Random indices reach code 4095 and its clear code many times over.
    void toolkitReadsLargeRandomPictures() {
        std::mt19937 random(5);
        std::vector<uint8_t> pixels(1024 * 768);
        for (auto& p : pixels) p = uint8_t(random());
        GifImage image{pixels.data(), 1024, 768, {}};
        for (size_t i = 0; i < image.colours.size(); ++i) image.colours[i] = uint8_t(i * 7 + i / 3);
        {
            FileSink sink(path("random.gif"));
            WriteGif(sink, image, ParameterBlock{});
            sink.commit();
        }
        CompareWithToolkit(path("random.gif"), pixels, 1024, image.colours);
    }

    void foreignFilesAreRefusedAndChangeNothing() {
        StartedProgram p;
        p.program.driver().Runclick();
        std::vector<uint8_t> ours;
        {
            MemorySink sink;
            p.program.session().files.SaveGif(sink, "x.gif");
            ours = sink.bytes;
        }
        // Ours without the extension; GIF89a; GIF87a with 16 colours.
        size_t end = 6 + 7 + 768 + 10 + 1;
        while (ours[end] != 0) end += ours[end] + 1u;
        std::vector<uint8_t> bare(ours.begin(), ours.begin() + long(end) + 1);
        bare.push_back(0x3B);
        std::vector<uint8_t> gif89 = bare;
        gif89[4] = '9';
        const std::vector<uint8_t> small = {'G', 'I', 'F', '8', '7', 'a', 1, 0, 1, 0, 0xF3, 0, 0};
        const std::vector<std::pair<const char*, std::vector<uint8_t>>> files = {
            {"bare.gif", bare}, {"89a.gif", gif89}, {"small.gif", small}};
        const std::vector<uint8_t> buffer = p.state().buffer.bytes;
        const std::string status = p.state().statusText;
        for (const auto& [name, bytes] : files) {
            FileSink sink(path(name));
            sink.write(bytes.data(), bytes.size());
            sink.commit();
            p.prompter.shown.clear();
            Choose(p, MenuId::LoadFromGif, path(name));
            QCOMPARE(p.prompter.texts(), std::vector<std::string>{"Not a valid Velmora 32 Version 2.01 GIF file"});
            QVERIFY(p.state().buffer.bytes == buffer);
            QCOMPARE(p.state().statusText, status);  // as it was before the refused file
        }
    }

    void writeFailureIsReported() {
        StartedProgram p;
        p.program.driver().Runclick();
        Choose(p, MenuId::SaveAsGif, path("missing/x.gif"));
        QCOMPARE(p.prompter.texts(),
                 std::vector<std::string>{"Cannot save " + path("missing/x.gif") + ": File not found."});
        QCOMPARE(p.prompter.shown[0].caption, p.state().applicationTitle);
        QCOMPARE(p.prompter.shown[0].icon, MessageIcon::Error);
        QCOMPARE(p.state().statusText, std::string("Picture completed."));
    }

    void startUpPicture() {
        {
            StartedProgram p;
            p.program.driver().Runclick();
            QVERIFY(p.program.session().files.SaveGif(path("start.gif")));
        }
        ScriptedPrompter prompter;
        FixedSettings settings({path("start.gif"), "", "", "", ""});
        Program program(prompter, settings);
        program.start();
        QVERIFY(prompter.shown.empty());
        QCOMPARE(program.CurrentFileName(), path("start.gif"));
        QCOMPARE(program.state().params.siz, 200);
        QVERIFY(program.mainWindow().findChild<QDialog*>("OKBottomDlg1"));

        ScriptedPrompter prompter2;
        FixedSettings gone({path("gone.gif"), "", "", "", ""});
        Program program2(prompter2, gone);
        program2.start();
        QCOMPARE(prompter2.texts(),
                 std::vector<std::string>{"Error in Registry...File not found: " + path("gone.gif") + " "});
        QCOMPARE(prompter2.shown[0].icon, MessageIcon::Information);
        QVERIFY(program2.mainWindow().isVisible());
        // Nothing was loaded: the status line and the current file say so.
        QCOMPARE(program2.CurrentFileName(), std::string());
        QVERIFY(program2.state().statusText.find("gone") == std::string::npos);
    }

    // An unfinished start-up picture goes on once the window is up, where
    // Space can stop it.
    void unfinishedStartUpPictureGoesOnOnceShown() {
        {
            StartedProgram p;
            testing::DuringNextRun(p.program, [&] { p.state().run.CancelRequested = true; });
            p.program.driver().Runclick();
            QVERIFY(p.state().params.LastColumnDone < p.state().params.siz - 1);
            QVERIFY(p.program.session().files.SaveGif(path("halted.gif")));
        }
        ScriptedPrompter prompter;
        FixedSettings settings({path("halted.gif"), "", "", "", ""});
        Program program(prompter, settings);
        program.start();
        QVERIFY(program.mainWindow().isVisible());
        QVERIFY(program.state().params.LastColumnDone < program.state().params.siz - 1);
        QTRY_COMPARE(program.state().statusText, std::string("Picture completed."));
        QCOMPARE(program.state().params.LastColumnDone, program.state().params.siz - 1);
    }

    // "velmora32 picture.gif": the named picture instead of the start-up one;
    // a missing or refused one is reported as "Load from GIF..." reports it,
    // and then no picture is loaded.
    // File > "Export large picture...": the size and samples asked, the file
    // chosen, then a smoothed PNG of the view that loads back as that view.
    void exportLargePicture() {
        StartedProgram p;
        p.program.driver().Runclick();
        p.prompter.files.push_back(path("large.png"));
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QString("Export large picture"));
            dialog->findChild<QSpinBox*>()->setValue(64);
            auto* samples = dialog->findChild<QComboBox*>();
            samples->setCurrentIndex(samples->findData(2));
            dialog->accept();
        });
        p.window().triggerItem(MenuId::ExportLarge);
        QVERIFY(p.prompter.shown.empty());
        const QImage image(QString::fromStdString(path("large.png")));
        QCOMPARE(image.size(), QSize(64, 48));
        QVERIFY(!image.isGrayscale());
        FileSource file(path("large.png"));
        const PngReadResult read = ReadPng(file);
        QVERIFY(read.accepted);
        QVERIFY(read.pixels.empty());  // RGB: its parameters alone come back
    }

    void commandLinePicture() {
        {
            StartedProgram p;
            p.program.driver().Runclick();
            QVERIFY(p.program.session().files.SaveGif(path("start.gif")));
            p.program.actions().Mandelbrot();
            p.program.driver().Runclick();
            QVERIFY(p.program.session().files.SaveGif(path("named.gif")));
        }
        {
            FileSink sink(path("foreign.gif"));
            const uint8_t small[] = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B};
            sink.write(small, sizeof small);
            sink.commit();
        }
        const struct {
            std::string named, loaded, message;
            MessageIcon icon;
        } cases[] = {
            {"named.gif", "named.gif", "", MessageIcon::Information},
            {"gone.gif", "", "File not found: " + path("gone.gif") + ".", MessageIcon::Error},
            {"foreign.gif", "", kNotValidGifMessage, MessageIcon::Information},
        };
        for (const auto& c : cases) {
            ScriptedPrompter prompter;
            FixedSettings settings({path("start.gif"), "", "", "", ""});
            Program program(prompter, settings);
            program.setCommandLinePicture(path(c.named));
            program.start();
            QCOMPARE(program.CurrentFileName(), c.loaded.empty() ? std::string() : path(c.loaded));
            QCOMPARE(program.state().menu.isChecked(MenuId::Mandelbrot), !c.loaded.empty());
            QCOMPARE(program.state().buffer.bytes.empty(), c.loaded.empty());
            if (c.message.empty()) {
                QVERIFY(prompter.shown.empty());
                // Placed as a picture loaded later would be, above the panel.
                QCOMPARE(program.state().yoff, (program.mainWindow().panel()->y() - program.state().params.sizy) / 2);
                continue;
            }
            QCOMPARE(prompter.texts(), std::vector<std::string>{c.message});
            QCOMPARE(prompter.shown[0].caption, program.state().applicationTitle);
            QCOMPARE(prompter.shown[0].icon, c.icon);
        }
    }
};

}  // namespace velmora

QTEST_MAIN(velmora::GifFilesTest)
#include "gif_files_test.moc"
