#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/Exceptions.h"
#include "support/WorkerHarness.h"

using namespace quarnel;
using namespace quarnel::test;
using Strings = std::vector<std::string>;

TEST(UiChannel, EveryOperationRunsOnTheUiThreadInOrder) {
    WorkerHarness h;
    std::thread::id workerThread;
    const auto escaped = h.Run([&](ScriptedWorker& w) {
        workerThread = std::this_thread::get_id();
        w.HideButtons();
        w.StatusText = "Загрузка списка обновлений";
        w.ShowStatus();
        w.GaugeSelector = 1;
        w.GaugeValue = 3;
        w.SetGaugeMax();
        w.GaugeValue = 2;
        w.SetTotalProgress();
        w.GaugeSelector = 0;
        w.GaugeValue = 1000;
        w.SetGaugeMax();
        w.GaugeValue = 1024;
        w.SetFileProgress();
        w.LocalRevision = -3;
        w.StoreRevision();
        w.StatusText = "";
        w.ShowStatus();
        w.ShowButtons();
    });
    EXPECT_FALSE(escaped);
    EXPECT_EQ(h.view.log, (Strings{"buttons:hidden", "status:Загрузка списка обновлений", "max1:3", "pos1:2",
                                   "max0:1000", "pos0:1024", "revision:-3", "status:", "buttons:shown"}));
    EXPECT_EQ(h.view.uiThread, std::this_thread::get_id());
    EXPECT_NE(workerThread, std::this_thread::get_id());
    EXPECT_FALSE(h.view.wrongThread);
    EXPECT_EQ(h.view.Gauge(TUpdateView::FileGauge).Progress(), 1000) << "a position is pulled to the maximum";
    EXPECT_EQ(h.view.Gauge(TUpdateView::TotalGauge).Progress(), 2);
    EXPECT_EQ(h.view.status, "");
}

TEST(UiChannel, GaugeSelectorOutsideBothGaugesChangesNothing) {
    WorkerHarness h;
    h.Run([](ScriptedWorker& w) {
        w.GaugeSelector = 2;
        w.GaugeValue = 5;
        w.SetGaugeMax();
        w.GaugeSelector = -1;
        w.SetGaugeMax();
    });
    EXPECT_TRUE(h.view.log.empty());
    EXPECT_EQ(h.view.Gauge(TUpdateView::FileGauge).MaxValue(), 100);
    EXPECT_EQ(h.view.Gauge(TUpdateView::TotalGauge).MaxValue(), 100);
}

TEST(UiChannel, AnErrorOnTheUiThreadIsRaisedAgainInTheWorker) {
    WorkerHarness h;
    std::string caught;
    const auto escaped = h.Run([&](ScriptedWorker& w) {
        w.GaugeSelector = 0;
        w.GaugeValue = -1;
        try {
            w.SetGaugeMax();
        } catch (const EInvalidOperation& e) {
            caught = e.Message();
        }
        w.GaugeValue = 7;
        w.SetGaugeMax();
    });
    EXPECT_FALSE(escaped);
    EXPECT_EQ(caught, "Value must be between 1 and 2147483647");
    EXPECT_EQ(h.view.Gauge(TUpdateView::FileGauge).MaxValue(), 7);
}

TEST(UiChannel, AnErrorEscapingTheRunIsHeldAndTheWorkerFreesItself) {
    struct Probe {
        explicit Probe(std::atomic<bool>& flag) : destroyed(flag) {}
        std::atomic<bool>& destroyed;
        ~Probe() {
            destroyed = true;
            destroyed.notify_all();
        }
    };
    WorkerHarness h;
    std::atomic<bool> destroyed{false};
    auto probe = std::make_shared<Probe>(destroyed);
    const auto escaped = h.Run([probe = std::move(probe)](ScriptedWorker& w) {
        w.HideButtons();
        throw EInOutError("disk gone");
    });
    ASSERT_TRUE(escaped);
    EXPECT_THROW(std::rethrow_exception(escaped), EInOutError);
    EXPECT_EQ(h.view.log, Strings{"buttons:hidden"}) << "the buttons stay hidden";
    // The worker ends on its own thread right after OnTerminate; wait for it.
    destroyed.wait(false);
    EXPECT_TRUE(destroyed);
}

TEST(UiChannel, AClosedUiRunsNothingMoreAndTheWorkerIsToldSo) {
    WorkerHarness h;
    std::atomic<int> stage{0};
    std::string caught;
    auto worker = std::make_unique<ScriptedWorker>(h.loop, h.view, [&](ScriptedWorker& w) {
        w.StatusText = "before";
        w.ShowStatus();
        stage = 1;
        stage.notify_one();
        stage.wait(1);
        try {
            w.StatusText = "after";
            w.ShowStatus();
        } catch (const EUiClosed&) {
            caught = "closed";
        }
        stage = 3;
        stage.notify_one();
    });
    TThread::Resume(std::move(worker));
    std::thread ui([&] { h.loop->Run(); });
    stage.wait(0);
    h.loop->Quit();
    ui.join();
    h.loop->Close();
    stage = 2;
    stage.notify_one();
    stage.wait(2);
    EXPECT_EQ(caught, "closed");
    EXPECT_EQ(h.view.log, Strings{"status:before"});
}

TEST(UiChannel, ReportsKeptBackNeverChangeWhatTheWindowShows) {
    // Downloads report every 1024 bytes against maxima set before and after.
    const auto script = [](ScriptedWorker& w) {
        const int32_t maxima[] = {1000000, 10, 0, 5000, 1000000, 3};
        int32_t position = 0;
        for (const int32_t maximum : maxima) {
            w.GaugeSelector = 0;
            w.GaugeValue = maximum;
            w.SetGaugeMax();
            for (int i = 0; i < 700; ++i) {
                position += 1024 + i % 3;
                w.GaugeValue = position;
                w.SetFileProgress();
            }
            w.GaugeValue = position / 2;
            w.SetTotalProgress();
        }
        w.GaugeValue = 0;
        w.SetFileProgress();
    };
    WorkerHarness every, kept;
    kept.view.everyReport = false;
    every.Run(script);
    kept.Run(script);
    EXPECT_EQ(kept.view.repaints, every.view.repaints);
    for (const auto index : {TUpdateView::FileGauge, TUpdateView::TotalGauge}) {
        EXPECT_EQ(kept.view.Gauge(index).MaxValue(), every.view.Gauge(index).MaxValue());
        EXPECT_EQ(kept.view.Gauge(index).PercentDone(), every.view.Gauge(index).PercentDone());
    }
    EXPECT_LT(kept.view.log.size() * 10, every.view.log.size()) << "most reports need no hand-over";
}
